#include "support.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

const TarvoDll& Tarvo()
{
    static const TarvoDll dll = [] {
        TarvoDll loaded;
        char path[MAX_PATH];
        std::string file(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
        file.replace(file.find_last_of('\\') + 1, std::string::npos, "tarvo.dll");
        loaded.Module = LoadLibraryA(file.c_str());
        loaded.GetClassObject = reinterpret_cast<decltype(loaded.GetClassObject)>(
            reinterpret_cast<void*>(GetProcAddress(loaded.Module, "DllGetClassObject")));
        loaded.CanUnloadNow = reinterpret_cast<decltype(loaded.CanUnloadNow)>(
            reinterpret_cast<void*>(GetProcAddress(loaded.Module, "DllCanUnloadNow")));
        return loaded;
    }();
    if (!dll.GetClassObject || !dll.CanUnloadNow) {
        std::fprintf(stderr, "tarvo.dll or its exports not found beside the test program\n");
        std::abort();
    }
    return dll;
}

STDMETHODIMP TestDataObject::QueryInterface(REFIID interfaceId, void** out)
{
    const bool known = IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDataObject);
    *out = known ? static_cast<IDataObject*>(this) : nullptr;
    if (known)
        AddRef();
    return known ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP TestDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (format->cfFormat != CF_HDROP || format->ptd || format->dwAspect != DVASPECT_CONTENT ||
        format->lindex != -1 || !(format->tymed & TYMED_HGLOBAL))
        return DV_E_FORMATETC;
    if (FAILED(GetDataResult))
        return GetDataResult;
    // DROPFILES, then each path with its NUL, then one more NUL (two for no
    // paths): the memory comes zeroed.
    std::string list;
    for (const std::string& file : Files)
        list += file + '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() + 2);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    std::memcpy(drop + 1, list.data(), list.size());
    GlobalUnlock(memory);
    Media.push_back(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = this;
    AddRef();
    return S_OK;
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
