// The resources of the built tarvo.dll, read back as the platform reads them.
#include <set>

#include "support.h"

namespace {

// Reads a resource front to back as 16-bit words.
class WordReader {
public:
    explicit WordReader(const void* data) : At(static_cast<const WORD*>(data)), Start(At) {}
    WORD Word() { return *At++; }
    DWORD DoubleWord()
    {
        const DWORD low = Word();
        return low | (DWORD(Word()) << 16);
    }
    std::string Text()
    {
        std::string text;
        while (WORD c = Word())
            text += char(c);
        return text;
    }
    void AlignToDoubleWord()
    {
        if ((At - Start) % 2)
            ++At;
    }

private:
    const WORD* At;
    const WORD* Start;
};

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char path[MAX_PATH];
        GetModuleFileNameA(Tarvo().Module, path, MAX_PATH);
        Path = path;
        File = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, File);
    }
    void TearDown() override { FreeLibrary(File); }

    std::string Path;
    HMODULE File = nullptr;
};

TEST_F(ResourceTest, InfoDialogIsAClassicTemplateWithTheExactStyles)
{
    HRSRC found = FindResourceExA(File, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(132),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK));
    ASSERT_NE(nullptr, found);
    WordReader dialog(LockResource(LoadResource(File, found)));

    EXPECT_EQ(0x50800040u, dialog.DoubleWord()) << "dialog style";
    EXPECT_EQ(0u, dialog.DoubleWord()) << "dialog extended style";
    EXPECT_EQ(1, dialog.Word()) << "controls";
    const WORD frame[] = {0, 0, 238, 221};
    for (WORD expected : frame)
        EXPECT_EQ(expected, dialog.Word());
    EXPECT_EQ(0, dialog.Word()) << "menu";
    EXPECT_EQ(0, dialog.Word()) << "class";
    EXPECT_EQ("", dialog.Text()) << "caption";
    EXPECT_EQ(8, dialog.Word()) << "point size";
    EXPECT_EQ("MS Shell Dlg", dialog.Text());

    dialog.AlignToDoubleWord();
    EXPECT_EQ(0x50B00084u, dialog.DoubleWord()) << "edit style";
    EXPECT_EQ(0u, dialog.DoubleWord()) << "edit extended style";
    const WORD box[] = {2, 3, 233, 215, 1003};
    for (WORD expected : box)
        EXPECT_EQ(expected, dialog.Word());
    EXPECT_EQ(0xFFFF, dialog.Word()) << "predefined class";
    EXPECT_EQ(0x0081, dialog.Word()) << "edit";
    EXPECT_EQ("", dialog.Text()) << "control text";
    EXPECT_EQ(0, dialog.Word()) << "creation data";
}

BOOL CALLBACK CollectType(HMODULE, LPSTR type, LONG_PTR into)
{
    reinterpret_cast<std::set<ULONG_PTR>*>(into)->insert(IS_INTRESOURCE(type) ? ULONG_PTR(type) : 0);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR into)
{
    reinterpret_cast<std::set<ULONG_PTR>*>(into)->insert(IS_INTRESOURCE(name) ? ULONG_PTR(name) : 0);
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR into)
{
    reinterpret_cast<std::set<ULONG_PTR>*>(into)->insert(language);
    return TRUE;
}

TEST_F(ResourceTest, OnlyTheDialogAndTheVersionBlock)
{
    std::set<ULONG_PTR> types, dialogs, versions, languages;
    EnumResourceTypesA(File, CollectType, LONG_PTR(&types));
    EXPECT_EQ((std::set<ULONG_PTR>{5, 16}), types);
    EnumResourceNamesA(File, RT_DIALOG, CollectName, LONG_PTR(&dialogs));
    EXPECT_EQ(std::set<ULONG_PTR>{132}, dialogs);
    EnumResourceNamesA(File, RT_VERSION, CollectName, LONG_PTR(&versions));
    EXPECT_EQ(std::set<ULONG_PTR>{1}, versions);
    EnumResourceLanguagesA(File, RT_DIALOG, MAKEINTRESOURCEA(132), CollectLanguage,
                           LONG_PTR(&languages));
    EXPECT_EQ(std::set<ULONG_PTR>{0x0809}, languages);
}

TEST_F(ResourceTest, VersionBlock)
{
    DWORD handle = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(Path.c_str(), &handle));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(Path.c_str(), 0, block.size(), block.data()));

    void* value = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &size));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ(DWORD(VOS__WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(DWORD(VFT_DLL), fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileSubtype);

    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &size));
    ASSERT_EQ(4u, size);
    EXPECT_EQ(0x0809, static_cast<const WORD*>(value)[0]);
    EXPECT_EQ(0x04B0, static_cast<const WORD*>(value)[1]);

    const struct Entry {
        const char* Name;
        const char* Text;
    } entries[] = {
        {"FileDescription", "Adds 'Info' tab to WAV file 'Properties'"},
        {"FileVersion", "1.0"},
        {"InternalName", "tarvo"},
        {"OriginalFilename", "tarvo.dll"},
        {"ProductName", "Tarvo Shell Extension"},
        {"ProductVersion", "1.0"},
        {"CompanyName", nullptr},
        {"Comments", nullptr},
        {"LegalCopyright", nullptr},
    };
    for (const Entry& entry : entries) {
        const std::string key = std::string("\\StringFileInfo\\080904b0\\") + entry.Name;
        ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), &value, &size)) << entry.Name;
        if (entry.Text)
            EXPECT_STREQ(entry.Text, static_cast<const char*>(value)) << entry.Name;
        else
            EXPECT_NE('\0', *static_cast<const char*>(value)) << entry.Name;
    }
}

}  // namespace
