// Shared pieces of the shell tests: the real tarvo.dll loaded as the shell
// loads it, and a data object that counts what is done to it.
#pragma once

#include <windows.h>
#include <shlobj.h>

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

// tarvo.dll from the test program's folder, loaded once with LoadLibrary.
const TarvoDll& Tarvo();

// Every test starts and ends with no object of the library alive, so that a
// leak shows in the test that made it.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, Tarvo().CanUnloadNow()); }
    void TearDown() override { EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "an object outlived its test"; }
};

inline ComPtr<IClassFactory> NewFactory()
{
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, &factory));
    return factory;
}

// A new extension object from a new factory, asked for interface I.
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

// The reference count of an object, read without changing it.
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
    explicit TestDataObject(std::vector<std::string> files, HRESULT getDataResult = S_OK)
        : Files(std::move(files)), GetDataResult(getDataResult) {}
    ~TestDataObject()
    {
        for (HGLOBAL memory : Media)
            GlobalFree(memory);
    }
    LONG References() const { return RefCount; }

    STDMETHODIMP QueryInterface(REFIID interfaceId, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&RefCount); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&RefCount); }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::vector<std::string> Files;
    HRESULT GetDataResult;
    LONG RefCount = 1;
    std::vector<HGLOBAL> Media;
};
