// The extension object: its interfaces and identity, its one count, its hold
// on the data object, and the fixed answers of the interfaces the shell is
// never told to use.
#include <cstring>
#include <string>

#include "support.h"

namespace {

using namespace std::string_literals;

class ObjectTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        Object = MakeExtension<IShellExtInit>(IID_IShellExtInit);
        ASSERT_NE(nullptr, Object.Get());
    }
    void TearDown() override
    {
        Object.Reset();
        ShellTest::TearDown();
    }

    template <class I>
    ComPtr<I> As(REFIID interfaceId)
    {
        ComPtr<I> result;
        EXPECT_EQ(S_OK, Object->QueryInterface(interfaceId, &result));
        return result;
    }

    ComPtr<IShellExtInit> Object;
};

// A file in the temporary folder whose [IconImage] section gives Index.
std::wstring IconIni(int index)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = folder + (L"tarvo-icon-" + std::to_wstring(index) + L".ini");
    const std::wstring value = std::to_wstring(index);
    WritePrivateProfileStringW(L"IconImage", L"Index", value.c_str(), path.c_str());
    return path;
}

int IconIndexOf(IExtractIconA* icon)
{
    char file[MAX_PATH];
    int index = -12345;
    EXPECT_EQ(S_OK, icon->GetIconLocation(0, file, MAX_PATH, &index, nullptr));
    return index;
}

// The six interface pointers follow one another at the head of the object, in
// the order the interfaces are inherited; IUnknown is the IShellExtInit
// pointer. Slot -1: refused.
TEST_F(ObjectTest, InterfacesSitInOrderAndShareOneIdentityAndOneCount)
{
    const struct { const IID& Interface; int Slot; } cases[] = {
        {IID_IContextMenu, 0},  {IID_IShellExtInit, 1}, {IID_IUnknown, 1},
        {IID_IExtractIconA, 2}, {IID_IPersistFile, 3},  {IID_IShellPropSheetExt, 4},
        {IID_ICopyHookA, 5},    {IID_IPersist, -1},     {IID_IDispatch, -1},
        {IID_IClassFactory, -1}, {IID_IExtractIconW, -1}, {IID_ICopyHookW, -1},
        {IID_IContextMenu2, -1}, {IID_IDataObject, -1},
    };
    const auto* head = reinterpret_cast<const BYTE*>(Object.Get()) - sizeof(void*);
    std::vector<IUnknown*> held;
    for (const auto& c : cases) {
        void* out = &out;
        EXPECT_EQ(c.Slot < 0 ? E_NOINTERFACE : S_OK, Object->QueryInterface(c.Interface, &out))
            << "slot " << c.Slot;
        if (c.Slot < 0 || !out) {
            EXPECT_EQ(nullptr, out);
            continue;
        }
        held.push_back(static_cast<IUnknown*>(out));
        EXPECT_EQ(head + c.Slot * sizeof(void*), out) << "slot " << c.Slot;
        ComPtr<IUnknown> identity;
        EXPECT_EQ(S_OK, held.back()->QueryInterface(IID_IUnknown, &identity));
        EXPECT_EQ(static_cast<IUnknown*>(Object.Get()), identity.Get());
    }
    // One count, whichever interface moves it.
    ULONG count = 1 + held.size();
    EXPECT_EQ(count, RefCountOf(Object.Get()));
    for (IUnknown* pointer : held)
        EXPECT_EQ(--count, pointer->Release());
}

TEST_F(ObjectTest, InitializeReplacesAndDropsItsDataObject)
{
    const std::vector<std::string> none;
    TestDataObject first(none), second(none);
    const struct { IDataObject* Given; LONG First, Second; } steps[] = {
        {&first, 2, 1}, {&second, 1, 2}, {&second, 1, 2}, {nullptr, 1, 1}, {&first, 2, 1}};
    for (const auto& step : steps) {
        EXPECT_EQ(S_OK, Object->Initialize(nullptr, step.Given, nullptr));
        EXPECT_EQ(step.First, first.References());
        EXPECT_EQ(step.Second, second.References());
    }
    Object.Reset();
    EXPECT_EQ(1, first.References()) << "the object must let go of its data object once";
}

// Items as "id:label", separators as "-".
std::string MenuText(HMENU menu)
{
    std::string text;
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        char label[16] = {};
        GetMenuStringA(menu, position, label, sizeof label, MF_BYPOSITION);
        text += (GetMenuState(menu, position, MF_BYPOSITION) & MF_SEPARATOR)
                    ? "-|" : std::to_string(GetMenuItemID(menu, position)) + ":" + label + "|";
    }
    return text;
}

TEST_F(ObjectTest, ContextMenuEntriesForEachFlag)
{
    const struct { UINT Flags; bool Adds; } cases[] = {
        {CMF_NORMAL, true}, {CMF_DEFAULTONLY, false}, {CMF_VERBSONLY, true}, {CMF_EXPLORE, true},
        {CMF_NOVERBS, false}, {CMF_CANRENAME, true}, {CMF_DEFAULTONLY | CMF_NOVERBS, false},
        {CMF_DEFAULTONLY | CMF_VERBSONLY, true}, {CMF_NOVERBS | CMF_EXPLORE, true},
        {CMF_EXTENDEDVERBS | CMF_NOVERBS, false},
    };
    ComPtr<IContextMenu> menu = As<IContextMenu>(IID_IContextMenu);
    for (const auto& c : cases) {
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, 1, "before");
        AppendMenuA(popup, MF_STRING, 2, "after");
        // The last command id leaves room for one item only; it is not consulted.
        EXPECT_EQ(c.Adds ? 4 : 0, menu->QueryContextMenu(popup, 1, 100, 100, c.Flags)) << c.Flags;
        EXPECT_EQ(c.Adds ? "1:before|-|100: |-|101: |-|102: |103: |2:after|" : "1:before|2:after|",
                  MenuText(popup)) << c.Flags;
        DestroyMenu(popup);
    }
}

TEST_F(ObjectTest, InvokeCommandAcceptsTheFourOffsetsOnly)
{
    const struct { LPCSTR Verb; HRESULT Result; } cases[] = {
        {"open", E_INVALIDARG}, {"properties", E_INVALIDARG}, {MAKEINTRESOURCEA(0), S_OK},
        {MAKEINTRESOURCEA(3), S_OK}, {MAKEINTRESOURCEA(4), E_INVALIDARG},
        {MAKEINTRESOURCEA(0xFFFF), E_INVALIDARG},
    };
    ComPtr<IContextMenu> menu = As<IContextMenu>(IID_IContextMenu);
    for (const auto& c : cases) {
        CMINVOKECOMMANDINFO command = {};
        command.cbSize = sizeof command;
        command.lpVerb = c.Verb;
        EXPECT_EQ(c.Result, menu->InvokeCommand(&command)) << reinterpret_cast<UINT_PTR>(c.Verb);
    }
}

// One blank in the width asked for, cut to the buffer given; nothing past the
// buffer is touched, and every request succeeds.
TEST_F(ObjectTest, CommandStringFitsTheBufferAndTheWidthAsked)
{
    const struct { UINT Request, Size; std::string Bytes; } cases[] = {
        {GCS_VERBA, 10, " \0"s},      {GCS_HELPTEXTA, 2, " \0"s}, {GCS_VALIDATEA, 1, "\0"s},
        {GCS_VERBA, 0, ""},           {GCS_VERBW, 10, " \0\0\0"s}, {GCS_HELPTEXTW, 1, "\0\0"s},
    };
    ComPtr<IContextMenu> menu = As<IContextMenu>(IID_IContextMenu);
    for (const auto& c : cases) {
        std::string buffer(32, 'Z');
        EXPECT_EQ(S_OK, menu->GetCommandString(2, c.Request, nullptr, &buffer[0], c.Size));
        EXPECT_EQ(c.Bytes + 'Z', buffer.substr(0, c.Bytes.size() + 1))
            << c.Request << "/" << c.Size;
    }
    EXPECT_EQ(S_OK, menu->GetCommandString(0, GCS_VALIDATEA, nullptr, nullptr, 0));
}

TEST_F(ObjectTest, IconLocationNamesTheLibraryAndTheIndexOfTheLoadedFile)
{
    ComPtr<IExtractIconA> icon = As<IExtractIconA>(IID_IExtractIconA);
    ComPtr<IPersistFile> persist = As<IPersistFile>(IID_IPersistFile);
    char library[MAX_PATH], file[MAX_PATH];
    GetModuleFileNameA(Tarvo().Module, library, MAX_PATH);
    // The last name is too long to convert; it must not leave the one before.
    for (const auto& [name, index] : {std::pair(IconIni(7), 7), std::pair(IconIni(12), 12),
                                      std::pair(std::wstring(400, L'a'), 0)}) {
        ASSERT_EQ(S_OK, persist->Load(name.c_str(), STGM_READ));
        EXPECT_EQ(S_OK, icon->GetIconLocation(GIL_FORSHELL, file, MAX_PATH, nullptr, nullptr));
        EXPECT_STREQ(library, file);
        EXPECT_EQ(index, IconIndexOf(icon.Get()));
    }
    // A short buffer takes the front of the name, terminated, and no more.
    std::memset(file, 'x', sizeof file);
    EXPECT_EQ(S_OK, icon->GetIconLocation(0, file, 5, nullptr, nullptr));
    EXPECT_EQ(std::string(library, 4), std::string(file));
    EXPECT_EQ('x', file[5]);
}

// A new object starts with no name even where a freed one had left its name
// in the memory.
TEST_F(ObjectTest, NewObjectsHaveNoLoadedFileName)
{
    const std::wstring ini = IconIni(9);
    for (int round = 0; round < 4; ++round) {
        ComPtr<IPersistFile> old = MakeExtension<IPersistFile>(IID_IPersistFile);
        old->Load(ini.c_str(), 0);
        old.Reset();
        EXPECT_EQ(0, IconIndexOf(MakeExtension<IExtractIconA>(IID_IExtractIconA).Get())) << round;
    }
}

TEST_F(ObjectTest, UnusedInterfacesGiveTheirFixedAnswers)
{
    ComPtr<IExtractIconA> icon = As<IExtractIconA>(IID_IExtractIconA);
    ComPtr<IPersistFile> persist = As<IPersistFile>(IID_IPersistFile);
    ComPtr<IShellPropSheetExt> sheet = As<IShellPropSheetExt>(IID_IShellPropSheetExt);
    ComPtr<ICopyHookA> hook = As<ICopyHookA>(IID_ICopyHookA);
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
