// The COM server: which class it serves, its factories, and the count that
// decides whether the library may be unloaded.
#include <functional>
#include <thread>

#include "support.h"

namespace {

using ServerTest = ShellTest;

TEST_F(ServerTest, ServesItsClassThroughAFactoryWithTwoInterfaces)
{
    WCHAR text[40];
    ASSERT_EQ(39, StringFromGUID2(ExtensionClassId, text, 40));
    EXPECT_EQ(0, _wcsicmp(L"{899a4e00-2984-11d4-bb70-444553540000}", text));
    EXPECT_STREQ("{899a4e00-2984-11d4-bb70-444553540000}", ExtensionClassIdText);

    ComPtr<IClassFactory> factory, again;
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IUnknown, &factory));
    EXPECT_EQ(1u, RefCountOf(factory.Get()));
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, &unknown));
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IClassFactory, &again));
    EXPECT_EQ(static_cast<IUnknown*>(factory.Get()), unknown.Get());
    EXPECT_EQ(factory.Get(), again.Get());
    EXPECT_EQ(3u, RefCountOf(factory.Get()));
}

// Each refused request leaves its out pointer empty, gives E_POINTER without
// one, and leaves nothing alive: a factory or object that nobody takes is
// destroyed at once.
TEST_F(ServerTest, RefusedRequestsLeaveNothingBehind)
{
    ComPtr<IClassFactory> factory = NewFactory();
    ComPtr<IUnknown> object = MakeExtension<IUnknown>(IID_IUnknown);
    ASSERT_TRUE(factory.Get() && object.Get());
    IClassFactory* f = factory.Get();
    IUnknown* o = object.Get();
    const auto forClass = [](CLSID id) {
        return [id](void** out) { return Tarvo().GetClassObject(id, IID_IClassFactory, out); };
    };
    const auto flipped = [](size_t byte) {
        CLSID id = ExtensionClassId;
        reinterpret_cast<BYTE*>(&id)[byte] ^= 0x01;
        return id;
    };
    const struct { HRESULT Result; std::function<HRESULT(void**)> Call; } cases[] = {
        {CLASS_E_CLASSNOTAVAILABLE, forClass(CLSID_NULL)},
        {CLASS_E_CLASSNOTAVAILABLE, forClass(IID_IClassFactory)},
        {CLASS_E_CLASSNOTAVAILABLE, forClass(flipped(0))},
        {CLASS_E_CLASSNOTAVAILABLE, forClass(flipped(7))},
        {CLASS_E_CLASSNOTAVAILABLE, forClass(flipped(15))},
        {E_NOINTERFACE, [](void** out) {
             return Tarvo().GetClassObject(ExtensionClassId, IID_IShellExtInit, out);
         }},
        {E_NOINTERFACE, [f](void** out) { return f->QueryInterface(IID_IDispatch, out); }},
        {E_NOINTERFACE, [f](void** out) { return f->QueryInterface(IID_IShellExtInit, out); }},
        {E_NOINTERFACE, [f](void** out) { return f->CreateInstance(nullptr, IID_IPersist, out); }},
        {CLASS_E_NOAGGREGATION,
         [f](void** out) { return f->CreateInstance(f, IID_IUnknown, out); }},
        {E_NOINTERFACE, [o](void** out) { return o->QueryInterface(IID_IDispatch, out); }},
    };
    for (const auto& c : cases) {
        void* out = &out;
        EXPECT_EQ(c.Result, c.Call(&out)) << "case " << &c - cases;
        EXPECT_EQ(nullptr, out) << "case " << &c - cases;
        EXPECT_EQ(E_POINTER, c.Call(nullptr)) << "case " << &c - cases;
    }
    EXPECT_EQ(1u, RefCountOf(f));
    EXPECT_EQ(1u, RefCountOf(o));
    factory.Reset();
    object.Reset();
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "a factory or object nobody took was kept";
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
