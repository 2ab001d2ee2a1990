// Shared pieces of the shell tests: the real tarvo.dll loaded as the shell
// loads it, a data object that counts what is done to it, a patch for the
// library's imports, and small file helpers.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "class_id.h"

struct TarvoDll {
    HMODULE Module = nullptr;
    HRESULT(WINAPI* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* CanUnloadNow)() = nullptr;
};

// tarvo.dll from the test program's folder, loaded with LoadLibrary once per
// process.
const TarvoDll& Tarvo();

// Owns one COM reference.
template <class T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* object) : Object(object) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : Object(other.Detach()) {}
    Ref& operator=(Ref&& other) noexcept
    {
        if (this != &other) {
            Reset();
            Object = other.Detach();
        }
        return *this;
    }
    ~Ref() { Reset(); }
    void Reset()
    {
        if (Object)
            Object->Release();
        Object = nullptr;
    }
    T* Get() const { return Object; }
    T* operator->() const { return Object; }
    void** Out()
    {
        Reset();
        return reinterpret_cast<void**>(&Object);
    }
    // Hands the reference over to the caller.
    T* Detach()
    {
        T* object = Object;
        Object = nullptr;
        return object;
    }

private:
    T* Object = nullptr;
};

inline Ref<IClassFactory> NewFactory()
{
    Ref<IClassFactory> factory;
    EXPECT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, factory.Out()));
    return factory;
}

// A new extension object from a new factory, asked for interface I.
template <class I>
Ref<I> MakeExtension(REFIID interfaceId)
{
    Ref<IClassFactory> factory = NewFactory();
    Ref<I> object;
    if (factory.Get()) {
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, interfaceId, object.Out()));
    }
    return object;
}

// The reference count of an object, read without changing it.
ULONG RefCountOf(IUnknown* object);

// A data object that hands out a CF_HDROP list of the given files (or fails
// GetData) and counts its references and the media it gives out and gets
// back. It lives on the caller's stack and never deletes itself.
class TestDataObject final : public IDataObject {
public:
    explicit TestDataObject(std::vector<std::string> files, HRESULT getDataResult = S_OK);

    LONG References() const { return RefCount; }
    int MediaGiven() const { return Given; }
    int MediaReturned() const { return Returned; }
    const FORMATETC& FormatAsked() const { return Asked; }

    STDMETHODIMP QueryInterface(REFIID interfaceId, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
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
    // Given as the medium's pUnkForRelease, so that ReleaseStgMedium reports
    // back here.
    struct MediumOwner final : IUnknown {
        TestDataObject* Data = nullptr;
        HGLOBAL Memory = nullptr;
        STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        STDMETHODIMP_(ULONG) AddRef() override { return 1; }
        STDMETHODIMP_(ULONG) Release() override;
    };

    std::vector<std::string> Files;
    HRESULT GetDataResult;
    LONG RefCount = 1;
    int Given = 0;
    int Returned = 0;
    FORMATETC Asked = {};
    MediumOwner Owner;
};

// Points one entry of tarvo.dll's import table at a replacement for the
// object's lifetime.
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement);
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    ~ImportPatch();
    void* Original() const { return Saved; }

private:
    void Write(void* value);
    void** Slot = nullptr;
    void* Saved = nullptr;
};

// A fresh file in the temporary folder holding the given bytes; returns its
// path.
std::string WriteTempFile(const char* name, const std::string& bytes);

// The Windows path of one of the sample files in examples/.
std::string ExampleFile(const char* name);
