#include "support.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const TarvoDll& Tarvo()
{
    static const TarvoDll dll = [] {
        TarvoDll loaded;
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string folder(path, length);
        folder.erase(folder.find_last_of('\\') + 1);
        loaded.Module = LoadLibraryA((folder + "tarvo.dll").c_str());
        if (loaded.Module) {
            loaded.GetClassObject = reinterpret_cast<decltype(loaded.GetClassObject)>(
                reinterpret_cast<void*>(GetProcAddress(loaded.Module, "DllGetClassObject")));
            loaded.CanUnloadNow = reinterpret_cast<decltype(loaded.CanUnloadNow)>(
                reinterpret_cast<void*>(GetProcAddress(loaded.Module, "DllCanUnloadNow")));
        }
        return loaded;
    }();
    if (!dll.GetClassObject || !dll.CanUnloadNow) {
        std::fprintf(stderr, "tarvo.dll or its exports not found beside the test program\n");
        std::abort();
    }
    return dll;
}

ULONG RefCountOf(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

TestDataObject::TestDataObject(std::vector<std::string> files, HRESULT getDataResult)
    : Files(std::move(files)), GetDataResult(getDataResult)
{
    Owner.Data = this;
}

STDMETHODIMP TestDataObject::QueryInterface(REFIID interfaceId, void** out)
{
    *out = nullptr;
    if (!IsEqualIID(interfaceId, IID_IUnknown) && !IsEqualIID(interfaceId, IID_IDataObject))
        return E_NOINTERFACE;
    *out = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TestDataObject::AddRef() { return InterlockedIncrement(&RefCount); }

STDMETHODIMP_(ULONG) TestDataObject::Release() { return InterlockedDecrement(&RefCount); }

STDMETHODIMP TestDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    Asked = *format;
    if (FAILED(GetDataResult))
        return GetDataResult;
    // DROPFILES, then each path with its NUL, then one more NUL.
    std::string list;
    for (const std::string& file : Files)
        list += file + '\0';
    list += '\0';
    if (Files.empty())
        list += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    std::memcpy(drop + 1, list.data(), list.size());
    GlobalUnlock(memory);

    Owner.Memory = memory;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = &Owner;
    ++Given;
    return S_OK;
}

STDMETHODIMP_(ULONG) TestDataObject::MediumOwner::Release()
{
    GlobalFree(Memory);
    Memory = nullptr;
    ++Data->Returned;
    return 0;
}

ImportPatch::ImportPatch(const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(Tarvo().Module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; entry->Name; ++entry) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0) {
                Slot = reinterpret_cast<void**>(&slots->u1.Function);
                Saved = *Slot;
                Write(replacement);
                return;
            }
        }
    }
    ADD_FAILURE() << "tarvo.dll does not import " << function << " from " << dll;
}

ImportPatch::~ImportPatch()
{
    if (Slot)
        Write(Saved);
}

void ImportPatch::Write(void* value)
{
    DWORD protection = 0;
    VirtualProtect(Slot, sizeof *Slot, PAGE_READWRITE, &protection);
    *Slot = value;
    VirtualProtect(Slot, sizeof *Slot, protection, &protection);
}

std::string ExampleFile(const char* name)
{
    std::string path = std::string(TARVO_EXAMPLES_DIR) + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string WriteTempFile(const char* name, const std::string& bytes)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "tarvo-shell-" +
                             std::to_string(GetCurrentProcessId()) + "-" + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(bytes.size(), written) << path;
    return path;
}
