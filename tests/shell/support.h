// Shared pieces of the shell tests: the real tarvo.dll loaded as the shell
// loads it, and a data object that counts what is done to it.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include "class_id.h"

using Microsoft::WRL::ComPtr;

struct TarvoDll {
    HMODULE Module = nullptr;
    HRESULT(WINAPI* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* CanUnloadNow)() = nullptr;
};

// tarvo.dll, loaded once with LoadLibrary from the test program's folder,
// which comes first in the search.
inline const TarvoDll& Tarvo()
{
    static const TarvoDll dll = [] {
        TarvoDll loaded;
        loaded.Module = LoadLibraryA("tarvo.dll");
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

// Every test starts and ends with no object of the library alive, so that a
// leak shows in the test that made it.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, Tarvo().CanUnloadNow()); }
    void TearDown() override
    {
        EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "an object outlived its test";
    }
};

inline ComPtr<IClassFactory> NewFactory()
{
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, &factory));
    return factory;
}

template <class I>
ComPtr<I> MakeExtension(REFIID interfaceId)
{
    ComPtr<IClassFactory> factory = NewFactory();
    ComPtr<I> object;
    if (factory.Get()) {
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, interfaceId, &object));
    }
    return object;
}

inline ULONG RefCountOf(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

// A data object that hands out a CF_HDROP list of the given files (or fails
// GetData) and counts its references; like the shell's own, it refuses other
// formats. Each medium it gives out holds a reference until ReleaseStgMedium
// gives it back. It lives on the caller's stack and never deletes itself.
class TestDataObject final : public IDataObject {
public:
    explicit TestDataObject(const std::vector<std::string>& files, HRESULT getDataResult = S_OK,
                            DWORD mediumType = TYMED_HGLOBAL)
        : GetDataResult(getDataResult), MediumType(mediumType)
    {
        for (const std::string& file : files)
            List += file + '\0';
    }
    // A list in UTF-16, as the shell itself hands out.
    explicit TestDataObject(const std::vector<std::wstring>& files)
        : Wide(TRUE), GetDataResult(S_OK), MediumType(TYMED_HGLOBAL)
    {
        for (const std::wstring& file : files)
            List.append(reinterpret_cast<const char*>(file.c_str()),
                        (file.size() + 1) * sizeof(wchar_t));
    }
    ~TestDataObject()
    {
        for (HGLOBAL memory : Media)
            GlobalFree(memory);
    }
    LONG References() const { return RefCount; }

    STDMETHODIMP QueryInterface(REFIID interfaceId, void** out) override
    {
        const bool known =
            IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDataObject);
        *out = known ? static_cast<IDataObject*>(this) : nullptr;
        return known ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&RefCount); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&RefCount); }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (format->cfFormat != CF_HDROP || format->ptd || format->dwAspect != DVASPECT_CONTENT ||
            format->lindex != -1 || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        if (FAILED(GetDataResult))
            return GetDataResult;
        // DROPFILES, then each path with its NUL, then one more NUL (two for
        // no paths): the memory comes zeroed.
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + List.size() + 2 * sizeof(wchar_t));
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = Wide;
        std::memcpy(drop + 1, List.data(), List.size());
        GlobalUnlock(memory);
        Media.push_back(memory);
        medium->tymed = MediumType;
        medium->hGlobal = memory;
        medium->pUnkForRelease = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::string List;  // the paths, each with its NUL, in 8 or 16 bits
    BOOL Wide = FALSE;
    HRESULT GetDataResult;
    DWORD MediumType;
    LONG RefCount = 1;
    std::vector<HGLOBAL> Media;
};
