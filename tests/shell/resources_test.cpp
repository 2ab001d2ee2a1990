// The resources of the built tarvo.dll, read back as the platform reads them.
#include <set>

#include "support.h"

namespace {

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

// A classic template, word by word: dialog style and extended style, one
// control, frame, no menu, class or caption, the font; then the edit box's
// styles, frame, id 1003, the predefined edit class, no text or data.
TEST_F(ResourceTest, InfoDialogIsAClassicTemplateWithTheExactStyles)
{
    const WORD expected[] = {
        0x0040, 0x5080, 0, 0, 1, 0, 0, 238, 221, 0, 0, 0,
        8, 'M', 'S', ' ', 'S', 'h', 'e', 'l', 'l', ' ', 'D', 'l', 'g', 0,
        0x0084, 0x50B0, 0, 0, 2, 3, 233, 215, 1003, 0xFFFF, 0x0081, 0, 0};
    HRSRC found = FindResourceExA(File, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(132),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK));
    ASSERT_NE(nullptr, found);
    ASSERT_GE(SizeofResource(File, found), sizeof expected);
    const auto* words = static_cast<const WORD*>(LockResource(LoadResource(File, found)));
    EXPECT_EQ(std::vector<WORD>(std::begin(expected), std::end(expected)),
              std::vector<WORD>(words, words + std::size(expected)));
}

std::set<ULONG_PTR> Found;
BOOL CALLBACK NoteType(HMODULE, LPSTR type, LONG_PTR) { return Found.insert(ULONG_PTR(type)), TRUE; }
BOOL CALLBACK NoteName(HMODULE, LPCSTR, LPSTR name, LONG_PTR) { return Found.insert(ULONG_PTR(name)), TRUE; }
BOOL CALLBACK NoteLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR)
{
    return Found.insert(language), TRUE;
}

TEST_F(ResourceTest, OnlyTheDialogAndTheVersionBlock)
{
    Found.clear();
    EnumResourceTypesA(File, NoteType, 0);
    EXPECT_EQ((std::set<ULONG_PTR>{5, 16}), Found);
    Found.clear();
    EnumResourceNamesA(File, RT_DIALOG, NoteName, 0);
    EnumResourceNamesA(File, RT_VERSION, NoteName, 0);
    EXPECT_EQ((std::set<ULONG_PTR>{1, 132}), Found);
    Found.clear();
    EnumResourceLanguagesA(File, RT_DIALOG, MAKEINTRESOURCEA(132), NoteLanguage, 0);
    EXPECT_EQ(std::set<ULONG_PTR>{0x0809}, Found);
}

TEST_F(ResourceTest, VersionBlock)
{
    DWORD handle = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(Path.c_str(), &handle));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(Path.c_str(), 0, block.size(), block.data()));
    void* value = nullptr;
    UINT size = 0;

    // Signature, layout version, file and product versions 1.0.0.1, flag mask
    // and flags, system, type, subtype, no date.
    const DWORD fixed[] = {0xFEEF04BD, 0x00010000, 0x00010000, 1, 0x00010000, 1, 0x3F, 0,
                           VOS__WINDOWS32, VFT_DLL, 0, 0, 0};
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &size));
    ASSERT_EQ(sizeof fixed, size);
    EXPECT_EQ(std::vector<DWORD>(std::begin(fixed), std::end(fixed)),
              std::vector<DWORD>(static_cast<DWORD*>(value), static_cast<DWORD*>(value) + 13));

    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &size));
    ASSERT_EQ(4u, size);
    EXPECT_EQ(0x04B00809u, *static_cast<const DWORD*>(value));

    const struct Entry {
        const char* Name;
        const char* Text;  // null: any text but an empty one
    } entries[] = {
        {"FileDescription", "Adds 'Info' tab to WAV file 'Properties'"},
        {"FileVersion", "1.0"}, {"InternalName", "tarvo"}, {"OriginalFilename", "tarvo.dll"},
        {"ProductName", "Tarvo Shell Extension"}, {"ProductVersion", "1.0"},
        {"CompanyName", nullptr}, {"Comments", nullptr}, {"LegalCopyright", nullptr},
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
