// The COM server: which class it serves, its factories, and the count that
// decides whether the library may be unloaded.
#include <thread>

#include "support.h"

namespace {

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, Tarvo().CanUnloadNow()); }
    void TearDown() override { EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "an object outlived its test"; }
};

CLSID WithByteFlipped(size_t byte)
{
    CLSID id = ExtensionClassId;
    reinterpret_cast<BYTE*>(&id)[byte] ^= 0x01;
    return id;
}

// The result of a call that must fail; its out pointer must come back empty.
template <class Call>
HRESULT Refusal(Call call)
{
    void* out = &out;
    const HRESULT result = call(&out);
    EXPECT_EQ(nullptr, out);
    return result;
}

TEST_F(ServerTest, ServesOnlyItsOwnClass)
{
    WCHAR text[40];
    ASSERT_EQ(39, StringFromGUID2(ExtensionClassId, text, 40));
    EXPECT_EQ(0, _wcsicmp(L"{899a4e00-2984-11d4-bb70-444553540000}", text));
    EXPECT_STREQ("{899a4e00-2984-11d4-bb70-444553540000}", ExtensionClassIdText);

    for (const CLSID& other : {CLSID_NULL, IID_IClassFactory, WithByteFlipped(0),
                               WithByteFlipped(7), WithByteFlipped(15)}) {
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, Refusal([&](void** out) {
                      return Tarvo().GetClassObject(other, IID_IClassFactory, out);
                  }));
    }
    EXPECT_EQ(E_POINTER, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, nullptr));
}

TEST_F(ServerTest, FactoryAnswersIUnknownAndIClassFactoryOnly)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IUnknown, &factory));
    EXPECT_EQ(1u, RefCountOf(factory.Get()));
    ComPtr<IUnknown> unknown;
    ComPtr<IClassFactory> again;
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, &unknown));
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IClassFactory, &again));
    EXPECT_EQ(static_cast<IUnknown*>(factory.Get()), unknown.Get());
    EXPECT_EQ(factory.Get(), again.Get());
    for (REFIID other : {IID_IDispatch, IID_IShellExtInit, IID_IPersistFile}) {
        EXPECT_EQ(E_NOINTERFACE,
                  Refusal([&](void** out) { return factory->QueryInterface(other, out); }));
    }
    EXPECT_EQ(E_POINTER, factory->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(3u, RefCountOf(factory.Get()));
}

// A factory or object that nobody takes is destroyed at once.
TEST_F(ServerTest, RefusedRequestsLeaveNothingBehind)
{
    EXPECT_EQ(E_NOINTERFACE, Refusal([](void** out) {
                  return Tarvo().GetClassObject(ExtensionClassId, IID_IShellExtInit, out);
              }));
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "a factory nobody took was kept";

    ComPtr<IClassFactory> factory = NewFactory();
    ASSERT_NE(nullptr, factory.Get());
    EXPECT_EQ(E_NOINTERFACE, Refusal([&](void** out) {
                  return factory->CreateInstance(nullptr, IID_IPersist, out);
              }));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, Refusal([&](void** out) {
                  return factory->CreateInstance(factory.Get(), IID_IUnknown, out);
              }));
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, &object));
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
    object.Reset();
    factory.Reset();
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "an object nobody took was kept";
}

// Every call makes a factory of its own, and each keeps the library; a lock
// neither keeps it nor counts a factory away.
TEST_F(ServerTest, FactoriesKeepTheLibraryAndLocksDoNot)
{
    ComPtr<IClassFactory> first = NewFactory(), second = NewFactory();
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(S_OK, first->LockServer(FALSE));
    EXPECT_EQ(S_OK, first->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow());
    EXPECT_EQ(S_OK, first->LockServer(TRUE));
    first.Reset();
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow());
    second.Reset();
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
}

// The shell may make and drop objects on several threads at once; no count
// may drift.
TEST_F(ServerTest, CountsStayExactAcrossThreads)
{
    ComPtr<IShellExtInit> object = MakeExtension<IShellExtInit>(IID_IShellExtInit);
    ComPtr<IClassFactory> factory = NewFactory();
    ASSERT_TRUE(object.Get() && factory.Get());
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 500000; ++i) {
                object->AddRef();
                factory->AddRef();
                object->Release();
                factory->Release();
            }
            for (int i = 0; i < 10000; ++i)
                MakeExtension<IUnknown>(IID_IUnknown);
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(0u, factory.Detach()->Release());
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow());
    EXPECT_EQ(0u, object.Detach()->Release());
}

}  // namespace
