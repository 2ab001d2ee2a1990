// The resources of tarvo.dll, read back from the loaded library as the
// platform reads them.
#include <set>

#include "support.h"

namespace {

using ResourceTest = ShellTest;

BOOL CALLBACK NoteType(HMODULE, LPSTR type, LONG_PTR types)
{
    reinterpret_cast<std::set<ULONG_PTR>*>(types)->insert(ULONG_PTR(type));
    return TRUE;
}

// A classic template, word by word: dialog style and extended style, one
// control, frame, no menu, class or caption, the font; then the edit box's
// styles, frame, id 1003, the predefined edit class, no text or data.
TEST_F(ResourceTest, InfoDialogIsAClassicTemplateWithTheExactStyles)
{
    const WORD expected[] = {
        0x0040, 0x5080, 0, 0, 1, 0, 0, 238, 221, 0, 0, 0,
        8, 'M', 'S', ' ', 'S', 'h', 'e', 'l', 'l', ' ', 'D', 'l', 'g', 0,
        0x0084, 0x50B0, 0, 0, 2, 3, 233, 215, 1003, 0xFFFF, 0x0081, 0, 0};
    const HMODULE file = Tarvo().Module;
    std::set<ULONG_PTR> types;
    EnumResourceTypesA(file, NoteType, LONG_PTR(&types));
    EXPECT_EQ((std::set<ULONG_PTR>{5, 16}), types) << "only the dialog and the version block";
    HRSRC found = FindResourceExA(file, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(132),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK));
    ASSERT_NE(nullptr, found);
    ASSERT_GE(SizeofResource(file, found), sizeof expected);
    const auto* words = static_cast<const WORD*>(LockResource(LoadResource(file, found)));
    EXPECT_EQ(std::vector<WORD>(std::begin(expected), std::end(expected)),
              std::vector<WORD>(words, words + std::size(expected)));
}

TEST_F(ResourceTest, VersionBlock)
{
    char path[MAX_PATH];
    GetModuleFileNameA(Tarvo().Module, path, MAX_PATH);
    DWORD handle = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path, &handle));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, block.size(), block.data()));
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

    const struct { const char* Name; const char* Text; } entries[] = {
        {"FileDescription", "Adds 'Info' tab to WAV file 'Properties'"},
        {"FileVersion", "1.0"}, {"InternalName", "tarvo"}, {"OriginalFilename", "tarvo.dll"},
        {"ProductName", "Tarvo Shell Extension"}, {"ProductVersion", "1.0"},
        {"CompanyName", nullptr}, {"Comments", nullptr}, {"LegalCopyright", nullptr},
    };
    for (const auto& entry : entries) {
        const std::string key = std::string("\\StringFileInfo\\080904b0\\") + entry.Name;
        ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), &value, &size)) << entry.Name;
        if (entry.Text)
            EXPECT_STREQ(entry.Text, static_cast<const char*>(value)) << entry.Name;
        else  // any text but an empty one
            EXPECT_NE('\0', *static_cast<const char*>(value)) << entry.Name;
    }
}

}  // namespace
