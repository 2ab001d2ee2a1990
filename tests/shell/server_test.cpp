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

CLSID WithByteFlipped(CLSID id, size_t byte)
{
    reinterpret_cast<BYTE*>(&id)[byte] ^= 0x01;
    return id;
}

TEST_F(ServerTest, ServesOnlyItsOwnClass)
{
    const CLSID others[] = {CLSID_NULL, IID_IClassFactory, WithByteFlipped(ExtensionClassId, 0),
                            WithByteFlipped(ExtensionClassId, 7),
                            WithByteFlipped(ExtensionClassId, 15)};
    for (const CLSID& other : others) {
        void* out = &out;
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, Tarvo().GetClassObject(other, IID_IClassFactory, &out));
        EXPECT_EQ(nullptr, out);
    }
    Ref<IClassFactory> factory;
    EXPECT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, factory.Out()));
    EXPECT_NE(nullptr, factory.Get());
}

TEST_F(ServerTest, RegistryTextNamesTheSameClass)
{
    WCHAR text[40];
    ASSERT_EQ(39, StringFromGUID2(ExtensionClassId, text, 40));
    std::string lower;
    for (const WCHAR* c = text; *c; ++c)
        lower += char(towlower(*c));
    EXPECT_EQ(ExtensionClassIdText, lower);
    EXPECT_EQ("{899a4e00-2984-11d4-bb70-444553540000}", lower);
}

TEST_F(ServerTest, FactoryAnswersIUnknownAndIClassFactoryOnly)
{
    Ref<IClassFactory> factory;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IUnknown, factory.Out()));
    EXPECT_EQ(1u, RefCountOf(factory.Get()));

    Ref<IUnknown> unknown;
    Ref<IClassFactory> again;
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, unknown.Out()));
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IClassFactory, again.Out()));
    EXPECT_EQ(static_cast<IUnknown*>(factory.Get()), unknown.Get());
    EXPECT_EQ(factory.Get(), again.Get());
    EXPECT_EQ(3u, RefCountOf(factory.Get()));

    for (REFIID other : {IID_IDispatch, IID_IShellExtInit, IID_IPersistFile}) {
        void* out = &out;
        EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(other, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(3u, RefCountOf(factory.Get()));
}

TEST_F(ServerTest, FactoryNobodyTakesIsDestroyedAtOnce)
{
    void* out = &out;
    EXPECT_EQ(E_NOINTERFACE, Tarvo().GetClassObject(ExtensionClassId, IID_IShellExtInit, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
}

TEST_F(ServerTest, ObjectNobodyTakesIsDestroyedAtOnce)
{
    Ref<IClassFactory> factory;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, factory.Out()));
    void* out = &out;
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IPersist, &out));
    EXPECT_EQ(nullptr, out);
    factory.Reset();
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
}

TEST_F(ServerTest, EveryCallMakesAFactoryThatKeepsTheLibrary)
{
    Ref<IClassFactory> first, second;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, first.Out()));
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, second.Out()));
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow());
    first.Reset();
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow());
    second.Reset();
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
}

TEST_F(ServerTest, LockServerNeitherHoldsNorFreesTheLibrary)
{
    Ref<IClassFactory> factory;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, factory.Out()));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow()) << "unlocking must not count the factory away";
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory.Reset();
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "a lock must not keep the library";
}

TEST_F(ServerTest, AggregationIsRefused)
{
    Ref<IClassFactory> factory;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, factory.Out()));
    void* out = &out;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory.Get(), IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    factory.Reset();
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
}

TEST_F(ServerTest, MissingOutPointersAreRefused)
{
    EXPECT_EQ(E_POINTER, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, nullptr));
    Ref<IClassFactory> factory;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, factory.Out()));
    EXPECT_EQ(E_POINTER, factory->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    Ref<IUnknown> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, object.Out()));
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
}

// The shell may make and drop objects of this library on several threads at
// once; no count may drift.
TEST_F(ServerTest, CountsStayExactAcrossThreads)
{
    Ref<IShellExtInit> shared = MakeExtension<IShellExtInit>(IID_IShellExtInit);
    ASSERT_NE(nullptr, shared.Get());
    Ref<IClassFactory> sharedFactory;
    ASSERT_EQ(S_OK, Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory, sharedFactory.Out()));
    constexpr int Threads = 4;
    constexpr int Rounds = 10000;
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t) {
        workers.emplace_back([&shared, &sharedFactory] {
            for (int i = 0; i < 50 * Rounds; ++i) {
                shared->AddRef();
                sharedFactory->AddRef();
                shared->Release();
                sharedFactory->Release();
            }
            for (int i = 0; i < Rounds; ++i) {
                IUnknown* object = nullptr;
                IClassFactory* factory = nullptr;
                Tarvo().GetClassObject(ExtensionClassId, IID_IClassFactory,
                                       reinterpret_cast<void**>(&factory));
                factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object));
                factory->Release();
                object->Release();
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(1u, RefCountOf(shared.Get()));
    EXPECT_EQ(0u, sharedFactory.Detach()->Release());
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow());
    EXPECT_EQ(0u, shared.Detach()->Release());
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
}

}  // namespace
