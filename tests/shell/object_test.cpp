// The extension object: its interfaces and identity, its one count, its hold
// on the data object, and the fixed answers of the interfaces the shell is
// never told to use.
#include <cstring>

#include "support.h"

namespace {

class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, Tarvo().CanUnloadNow());
        Object = MakeExtension<IShellExtInit>(IID_IShellExtInit);
        ASSERT_NE(nullptr, Object.Get());
    }
    void TearDown() override
    {
        Object.Reset();
        EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "an object outlived its test";
    }

    template <class I>
    Ref<I> As(REFIID interfaceId)
    {
        Ref<I> result;
        EXPECT_EQ(S_OK, Object->QueryInterface(interfaceId, result.Out()));
        return result;
    }

    Ref<IShellExtInit> Object;
};

std::string IniFile(const char* name, const char* contents) { return WriteTempFile(name, contents); }

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

int IconIndexOf(IExtractIconA* icon)
{
    char file[MAX_PATH];
    int index = -12345;
    EXPECT_EQ(S_OK, icon->GetIconLocation(0, file, MAX_PATH, &index, nullptr));
    return index;
}

// The six interface pointers follow one another at the head of the object,
// in the order the interfaces are inherited; IUnknown is the IShellExtInit
// pointer.
TEST_F(ObjectTest, InterfacesSitInOrderAndShareOneIdentity)
{
    struct Case {
        const IID& Interface;
        int Slot;
    } const cases[] = {
        {IID_IContextMenu, 0},       {IID_IShellExtInit, 1},    {IID_IUnknown, 1},
        {IID_IExtractIconA, 2},      {IID_IPersistFile, 3},     {IID_IShellPropSheetExt, 4},
        {IID_ICopyHookA, 5},
    };
    Ref<IUnknown> primary = As<IUnknown>(IID_IContextMenu);
    const auto* head = reinterpret_cast<const BYTE*>(primary.Get());
    std::vector<Ref<IUnknown>> pointers;
    for (const Case& c : cases) {
        pointers.push_back(As<IUnknown>(c.Interface));
        EXPECT_EQ(head + c.Slot * sizeof(void*), reinterpret_cast<const BYTE*>(pointers.back().Get()))
            << "slot " << c.Slot;
    }
    for (const Ref<IUnknown>& from : pointers) {
        Ref<IUnknown> identity;
        ASSERT_EQ(S_OK, from->QueryInterface(IID_IUnknown, identity.Out()));
        EXPECT_EQ(static_cast<IUnknown*>(Object.Get()), identity.Get());
    }
}

TEST_F(ObjectTest, OtherInterfacesAreRefusedWithoutTouchingTheCount)
{
    const ULONG before = RefCountOf(Object.Get());
    for (REFIID other : {IID_IPersist, IID_IDispatch, IID_IClassFactory, IID_IExtractIconW,
                         IID_ICopyHookW, IID_IContextMenu2, IID_IDataObject}) {
        void* out = &out;
        EXPECT_EQ(E_NOINTERFACE, Object->QueryInterface(other, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(before, RefCountOf(Object.Get()));
}

TEST_F(ObjectTest, OneCountAcrossInterfacesAndOneReleaseOfTheDataObject)
{
    TestDataObject data({});
    ASSERT_EQ(S_OK, Object->Initialize(nullptr, &data, nullptr));
    IContextMenu* menu = As<IContextMenu>(IID_IContextMenu).Detach();
    ICopyHookA* hook = As<ICopyHookA>(IID_ICopyHookA).Detach();
    IPersistFile* persist = As<IPersistFile>(IID_IPersistFile).Detach();
    IShellExtInit* init = Object.Detach();
    EXPECT_EQ(5u, menu->AddRef());
    EXPECT_EQ(4u, hook->Release());
    EXPECT_EQ(3u, hook->Release());
    EXPECT_EQ(2u, persist->Release());
    EXPECT_EQ(1u, init->Release());
    EXPECT_EQ(2, data.References());
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow());
    EXPECT_EQ(0u, menu->Release());
    EXPECT_EQ(1, data.References());
    EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
}

TEST_F(ObjectTest, InitializeReplacesAndDropsItsDataObject)
{
    TestDataObject first({}), second({});
    const struct Step {
        IDataObject* Given;
        LONG First, Second;
    } steps[] = {
        {&first, 2, 1}, {&second, 1, 2}, {&second, 1, 2}, {nullptr, 1, 1},
        {nullptr, 1, 1}, {&first, 2, 1},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(S_OK, Object->Initialize(nullptr, step.Given, nullptr));
        EXPECT_EQ(step.First, first.References());
        EXPECT_EQ(step.Second, second.References());
    }
    Object.Reset();
    EXPECT_EQ(1, first.References());
}

TEST_F(ObjectTest, ContextMenuEntriesForEachFlag)
{
    const struct Case {
        UINT Flags;
        bool Adds;
    } cases[] = {
        {CMF_NORMAL, true},          {CMF_DEFAULTONLY, false},
        {CMF_VERBSONLY, true},       {CMF_EXPLORE, true},
        {CMF_NOVERBS, false},        {CMF_DEFAULTONLY | CMF_NOVERBS, false},
        {CMF_DEFAULTONLY | CMF_VERBSONLY, true}, {CMF_NOVERBS | CMF_EXPLORE, true},
        {CMF_CANRENAME, true},       {CMF_EXTENDEDVERBS | CMF_NOVERBS, false},
    };
    Ref<IContextMenu> menu = As<IContextMenu>(IID_IContextMenu);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Flags);
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, 1, "before");
        AppendMenuA(popup, MF_STRING, 2, "after");
        // The last command id leaves room for one item only; it is not consulted.
        const HRESULT result = menu->QueryContextMenu(popup, 1, 100, 100, c.Flags);
        if (!c.Adds) {
            EXPECT_EQ(0, result);
            EXPECT_EQ(2, GetMenuItemCount(popup));
            DestroyMenu(popup);
            continue;
        }
        EXPECT_EQ(4, result);
        ASSERT_EQ(9, GetMenuItemCount(popup));
        const int expectedIds[] = {1, -1, 100, -1, 101, -1, 102, 103, 2};
        for (int position = 0; position < 9; ++position) {
            char label[16] = {};
            MENUITEMINFOA item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
            item.dwTypeData = label;
            item.cch = sizeof label;
            ASSERT_TRUE(GetMenuItemInfoA(popup, position, TRUE, &item));
            if (expectedIds[position] < 0) {
                EXPECT_TRUE(item.fType & MFT_SEPARATOR) << position;
            } else {
                EXPECT_FALSE(item.fType & MFT_SEPARATOR) << position;
                EXPECT_EQ(UINT(expectedIds[position]), item.wID) << position;
                if (position > 0 && position < 8) {
                    EXPECT_STREQ(" ", label) << position;
                }
            }
        }
        DestroyMenu(popup);
    }
}

TEST_F(ObjectTest, InvokeCommandAcceptsTheFourOffsetsOnly)
{
    Ref<IContextMenu> menu = As<IContextMenu>(IID_IContextMenu);
    const struct Case {
        LPCSTR Verb;
        HRESULT Result;
    } cases[] = {
        {"open", E_INVALIDARG},          {"properties", E_INVALIDARG},
        {MAKEINTRESOURCEA(0), S_OK},     {MAKEINTRESOURCEA(1), S_OK},
        {MAKEINTRESOURCEA(2), S_OK},     {MAKEINTRESOURCEA(3), S_OK},
        {MAKEINTRESOURCEA(4), E_INVALIDARG}, {MAKEINTRESOURCEA(0xFFFF), E_INVALIDARG},
    };
    for (const Case& c : cases) {
        CMINVOKECOMMANDINFO command = {};
        command.cbSize = sizeof command;
        command.lpVerb = c.Verb;
        EXPECT_EQ(c.Result, menu->InvokeCommand(&command)) << reinterpret_cast<UINT_PTR>(c.Verb);
    }
}

// The text is one blank in the width asked for, cut to the buffer given;
// nothing past the buffer is touched.
TEST_F(ObjectTest, CommandStringFitsTheBufferAndTheWidthAsked)
{
    const struct Case {
        UINT Request;
        UINT Size;
        HRESULT Result;
        const char* Bytes;
        size_t ByteCount;
    } cases[] = {
        {GCS_VERBA, 10, S_OK, " \0", 2},
        {GCS_HELPTEXTA, 2, S_OK, " \0", 2},
        {GCS_VALIDATEA, 1, S_OK, "\0", 1},
        {GCS_VERBA, 0, E_INVALIDARG, "", 0},
        {GCS_VERBW, 10, S_OK, " \0\0\0", 4},
        {GCS_HELPTEXTW, 1, S_OK, "\0\0", 2},
    };
    Ref<IContextMenu> menu = As<IContextMenu>(IID_IContextMenu);
    for (const Case& c : cases) {
        char buffer[32];
        std::memset(buffer, 0x5A, sizeof buffer);
        EXPECT_EQ(c.Result, menu->GetCommandString(2, c.Request, nullptr, buffer, c.Size));
        EXPECT_EQ(0, std::memcmp(buffer, c.Bytes, c.ByteCount)) << c.Request << "/" << c.Size;
        EXPECT_EQ('\x5A', buffer[c.ByteCount]) << c.Request << "/" << c.Size;
    }
    EXPECT_EQ(E_INVALIDARG, menu->GetCommandString(0, GCS_VERBA, nullptr, nullptr, 10));
}

TEST_F(ObjectTest, IconLocationNamesTheLibraryAndTheIndexOfTheLoadedFile)
{
    Ref<IExtractIconA> icon = As<IExtractIconA>(IID_IExtractIconA);
    Ref<IPersistFile> persist = As<IPersistFile>(IID_IPersistFile);
    char library[MAX_PATH];
    GetModuleFileNameA(Tarvo().Module, library, MAX_PATH);

    ASSERT_EQ(S_OK, persist->Load(Wide(IniFile("icon.ini", "[IconImage]\r\nIndex=7\r\n")).c_str(), 0));
    char file[MAX_PATH] = {};
    int index = -1;
    UINT flags = 0xA5A5;
    EXPECT_EQ(S_OK, icon->GetIconLocation(GIL_FORSHELL, file, MAX_PATH, &index, &flags));
    EXPECT_STREQ(library, file);
    EXPECT_EQ(7, index);
    EXPECT_EQ(0xA5A5u, flags);

    // A short buffer takes the front of the name, terminated, and no more.
    char shortFile[8];
    std::memset(shortFile, 'x', sizeof shortFile);
    EXPECT_EQ(S_OK, icon->GetIconLocation(0, shortFile, 5, &index, nullptr));
    EXPECT_EQ(std::string(library, 4), std::string(shortFile));
    EXPECT_EQ('x', shortFile[5]);

    const struct Case {
        const char* Name;
        const char* Contents;
        int Index;
    } cases[] = {
        {"other-key.ini", "[IconImage]\r\nFile=x\r\n", 0},
        {"other-section.ini", "[Icon]\r\nIndex=3\r\n", 0},
        {"index-12.ini", "[IconImage]\r\nIndex=12\r\n", 12},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(S_OK, persist->Load(Wide(IniFile(c.Name, c.Contents)).c_str(), STGM_READ));
        EXPECT_EQ(c.Index, IconIndexOf(icon.Get())) << c.Name;
    }

    // A name too long to convert leaves no name behind, not the last one.
    EXPECT_EQ(S_OK, persist->Load(std::wstring(400, L'a').c_str(), 0));
    EXPECT_EQ(0, IconIndexOf(icon.Get()));
}

// A new object starts with empty names even where an old one's memory had a
// name in it.
TEST_F(ObjectTest, NewObjectsHaveNoLoadedFileName)
{
    const std::wstring ini = Wide(IniFile("fresh.ini", "[IconImage]\r\nIndex=9\r\n"));
    for (int round = 0; round < 4; ++round) {
        Ref<IPersistFile> old = MakeExtension<IPersistFile>(IID_IPersistFile);
        old->Load(ini.c_str(), 0);
        Ref<IExtractIconA> oldIcon;
        ASSERT_EQ(S_OK, old->QueryInterface(IID_IExtractIconA, oldIcon.Out()));
        ASSERT_EQ(9, IconIndexOf(oldIcon.Get()));
        oldIcon.Reset();
        old.Reset();
        Ref<IExtractIconA> fresh = MakeExtension<IExtractIconA>(IID_IExtractIconA);
        EXPECT_EQ(0, IconIndexOf(fresh.Get())) << "round " << round;
    }
}

TEST_F(ObjectTest, UnusedInterfacesGiveTheirFixedAnswers)
{
    Ref<IExtractIconA> icon = As<IExtractIconA>(IID_IExtractIconA);
    Ref<IPersistFile> persist = As<IPersistFile>(IID_IPersistFile);
    Ref<IShellPropSheetExt> sheet = As<IShellPropSheetExt>(IID_IShellPropSheetExt);
    Ref<ICopyHookA> hook = As<ICopyHookA>(IID_ICopyHookA);

    HICON large = nullptr, small_ = nullptr;
    EXPECT_EQ(S_FALSE, icon->Extract("x.wav", 0, &large, &small_, MAKELONG(32, 16)));
    CLSID classId = CLSID_NULL;
    EXPECT_EQ(E_FAIL, persist->GetClassID(&classId));
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    EXPECT_EQ(E_FAIL, persist->Save(L"C:\\x.wav", TRUE));
    EXPECT_EQ(E_FAIL, persist->SaveCompleted(L"C:\\x.wav"));
    LPOLESTR current = nullptr;
    EXPECT_EQ(E_FAIL, persist->GetCurFile(&current));
    EXPECT_EQ(E_FAIL, sheet->ReplacePage(1, nullptr, 0));
    for (UINT operation : {FO_MOVE, FO_COPY, FO_DELETE, FO_RENAME, PO_PORTCHANGE})
        EXPECT_EQ(UINT(IDYES), hook->CopyCallback(nullptr, operation, 0, "C:\\a.wav",
                                                  FILE_ATTRIBUTE_NORMAL, "C:\\b.wav", 0));
}

}  // namespace
