// The Info and Tags pages: when AddPages offers them, the one reference each
// holds on the object, and what they show once a property sheet creates them.
#include <algorithm>
#include <cstring>
#include <thread>

#include "support.h"

#include <commctrl.h>

namespace {

// Points tarvo.dll's import of a function at a replacement for the rest of
// the process; returns the function imported.
template <class Function>
Function Redirect(const char* dll, const char* name, Function replacement)
{
    const auto real = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), name)));
    auto* base = reinterpret_cast<BYTE*>(Tarvo().Module);
    const auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& table =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    auto** slots = reinterpret_cast<void**>(base + table.VirtualAddress);
    for (size_t i = 0; i < table.Size / sizeof(void*); ++i) {
        if (slots[i] != reinterpret_cast<void*>(real))
            continue;
        DWORD protection = 0;
        VirtualProtect(&slots[i], sizeof(void*), PAGE_READWRITE, &protection);
        slots[i] = reinterpret_cast<void*>(replacement);
        VirtualProtect(&slots[i], sizeof(void*), protection, &protection);
        return real;
    }
    ADD_FAILURE() << "tarvo.dll does not import " << name << " from " << dll;
    return real;
}

// A WAV file of the tests' own, a LIST of one INAM chunk, and what the page
// shows of it after the path line.
const char SampleBytes[] = "RIFF\x1E\0\0\0WAVELIST\x12\0\0\0INFOINAM\x05\0\0\0page\0\0";
const std::string SampleReport =
    "\r\n38 bytes (0.04KB)\r\n2000-05-27 15:22:08\r\n\r\nRIFF 'WAVE'\r\n"
    "\tLIST 'INFO'\r\n\t\t<INAM> title\r\n\t\t\t\"page\"\r\n";

// A file with a tag chunk: an iXML chunk of a scene, a take and two tracks
// named in Latin and Cyrillic script (the chunk is UTF-8). What the Info page
// shows of it after the path line (each byte beyond ASCII a dot), and what the
// Tags page shows after its path line.
const std::string TaggedXml =
    u8"<BWFXML><SCENE>12A</SCENE><TAKE>3</TAKE><TRACK_LIST><TRACK><INTERLEAVE_INDEX>1"
    u8"</INTERLEAVE_INDEX><NAME>\u00C9lodie</NAME></TRACK><TRACK><INTERLEAVE_INDEX>2"
    u8"</INTERLEAVE_INDEX><NAME>\u0411\u043E\u0440\u0438\u0441</NAME></TRACK></TRACK_LIST>"
    u8"</BWFXML>";
const std::string TaggedBytes =
    std::string("RIFF\xEC\0\0\0WAVEiXML\xDF\0\0\0", 20) + TaggedXml + std::string(1, '\0');
const std::string TaggedReport =
    "\r\n244 bytes (0.24KB)\r\n2000-05-27 15:22:08\r\n\r\nRIFF 'WAVE'\r\n\t<iXML>\r\n"
    "\t\t\"<BWFXML><SCENE>12A</SCENE><TAKE>3</TAKE><TRACK_LIST><TRACK><INTERLEAVE_INDEX>1"
    "</INTERLEAVE_INDEX><NAME>\xB7\xB7lodie</NAME></TRACK><TRACK><INTERLEAVE_INDEX>2"
    "</INTERLEAVE_INDEX><NAME>\xB7\xB7\xB7\xB7\xB7\xB7\xB7\xB7\xB7\xB7</NAME></TRACK>"
    "</TRACK_LIST></BWFXML>\"\r\n";
const std::wstring TaggedTags =
    L"\r\n\r\niXML\r\n  Scene:            12A\r\n  Take:             3\r\n"
    L"  Tracks:           2\r\n    channel 1, \u00C9lodie\r\n"
    L"    channel 2, \u0411\u043E\u0440\u0438\u0441\r\n";

// The folder of the tests' files, made on first use.
std::wstring SampleFolder()
{
    wchar_t temporary[MAX_PATH];
    EXPECT_NE(0u, GetTempPathW(MAX_PATH, temporary));
    const std::wstring folder = std::wstring(temporary) + L"tarvo page test";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// Writes the sample's bytes (or others) at path, last written 2000-05-27
// 15:22:08 UTC.
void WriteSample(const std::wstring& path,
                 const std::string& bytes = std::string(SampleBytes, sizeof SampleBytes - 1))
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    const SYSTEMTIME time = {2000, 5, 6, 27, 15, 22, 8, 0};
    FILETIME lastWrite;
    EXPECT_TRUE(WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                written == bytes.size());
    EXPECT_TRUE(SystemTimeToFileTime(&time, &lastWrite) &&
                SetFileTime(file, nullptr, nullptr, &lastWrite));
    CloseHandle(file);
}

// The sample under an ASCII name.
std::string AsciiSample()
{
    const std::wstring path = SampleFolder() + L"\\take.wav";
    WriteSample(path);
    return std::string(path.begin(), path.end());
}

// The tagged file under an ASCII name.
std::string TaggedSample()
{
    const std::wstring path = SampleFolder() + L"\\tagged take.wav";
    WriteSample(path, TaggedBytes);
    return std::string(path.begin(), path.end());
}

// What the shell's add-page callback saw: it takes the first Accept pages
// offered and refuses the rest.
struct Offers {
    int Accept = 2;
    int Count = 0;
    std::vector<HPROPSHEETPAGE> Pages;
};

BOOL CALLBACK TakePage(HPROPSHEETPAGE page, LPARAM data)
{
    auto* offers = reinterpret_cast<Offers*>(data);
    if (++offers->Count > offers->Accept)
        return FALSE;
    offers->Pages.push_back(page);
    return TRUE;
}

// What tarvo.dll handed to the functions it imports, and what they do instead.
// To probe two pages at once, the first WM_SETTEXT has another thread run the
// dialog procedure of another page and waits to see whether that one gets as
// far as its own WM_SETTEXT, whose text it keeps.
struct Record {
    bool CreateFails = false, TagsCreateFails = false, DestroyWithoutRelease = false;
    PROPSHEETPAGEA Page = {};
    PROPSHEETPAGEW TagsPage = {};
    std::vector<int> TabStops;  // -1 for a call that sets other than one stop

    HANDLE SecondAtSetText = nullptr;  // set: probe two pages at once
    DWORD FirstThread = 0;
    PROPSHEETPAGEA SecondPage = {};
    std::thread Second;
    bool SecondGotThrough = false;
    std::string SecondText;
} Seen;

decltype(&CreatePropertySheetPageA) RealCreate;
decltype(&CreatePropertySheetPageW) RealCreateW;
decltype(&DestroyPropertySheetPage) RealDestroy;
decltype(&SendDlgItemMessageA) RealSend;

HPROPSHEETPAGE WINAPI RecordCreate(LPCPROPSHEETPAGEA page)
{
    std::memcpy(&Seen.Page, page, std::min<size_t>(page->dwSize, sizeof Seen.Page));
    return Seen.CreateFails ? nullptr : RealCreate(page);
}

HPROPSHEETPAGE WINAPI RecordCreateW(LPCPROPSHEETPAGEW page)
{
    std::memcpy(&Seen.TagsPage, page, std::min<size_t>(page->dwSize, sizeof Seen.TagsPage));
    return Seen.TagsCreateFails ? nullptr : RealCreateW(page);
}

BOOL WINAPI RecordDestroy(HPROPSHEETPAGE page)
{
    return Seen.DestroyWithoutRelease ? TRUE : RealDestroy(page);
}

LRESULT WINAPI RecordSend(HWND dialog, int control, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == EM_SETTABSTOPS)
        Seen.TabStops.push_back(wParam == 1 ? *reinterpret_cast<const int*>(lParam) : -1);
    if (message == WM_SETTEXT) {
        if (Seen.SecondAtSetText && GetCurrentThreadId() != Seen.FirstThread) {
            Seen.SecondText = reinterpret_cast<const char*>(lParam);
            SetEvent(Seen.SecondAtSetText);
        } else if (Seen.SecondAtSetText && !Seen.Second.joinable()) {
            Seen.Second = std::thread([page = reinterpret_cast<LPARAM>(&Seen.SecondPage)] {
                Seen.SecondPage.pfnDlgProc(nullptr, WM_INITDIALOG, 0, page);
            });
            const DWORD waited = WaitForSingleObject(Seen.SecondAtSetText, 1500);
            Seen.SecondGotThrough = waited == WAIT_OBJECT_0;
        }
    }
    return RealSend(dialog, control, message, wParam, lParam);
}

class PageTest : public ShellTest {
protected:
    static void SetUpTestSuite()
    {
        InitCommonControls();
        RealCreate = Redirect("comctl32.dll", "CreatePropertySheetPageA", &RecordCreate);
        RealCreateW = Redirect("comctl32.dll", "CreatePropertySheetPageW", &RecordCreateW);
        RealDestroy = Redirect("comctl32.dll", "DestroyPropertySheetPage", &RecordDestroy);
        RealSend = Redirect("user32.dll", "SendDlgItemMessageA", &RecordSend);
    }
    void SetUp() override
    {
        ShellTest::SetUp();
        Seen = {};
    }
};

ComPtr<IShellPropSheetExt> SheetFor(TestDataObject* data)
{
    ComPtr<IShellPropSheetExt> sheet = MakeExtension<IShellPropSheetExt>(IID_IShellPropSheetExt);
    ComPtr<IShellExtInit> init;
    EXPECT_EQ(S_OK, sheet->QueryInterface(IID_IShellExtInit, &init));
    if (data) {
        EXPECT_EQ(S_OK, init->Initialize(nullptr, data, nullptr));
    }
    return sheet;
}

// What the stand-in shell saw of a page: its tab's title and the text of
// its control 1003, as 8-bit text and in UTF-16.
struct Shown {
    std::wstring Title;
    std::string Text;
    std::wstring WideText;
};

// A modeless property sheet of pages, as a Properties dialog shows them.
HWND OpenSheet(std::vector<HPROPSHEETPAGE>& pages)
{
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    header.nPages = UINT(pages.size());
    header.phpage = pages.data();
    return reinterpret_cast<HWND>(PropertySheetA(&header));
}

// Closes a sheet and lets its pages be released.
void CloseSheet(HWND sheet)
{
    DestroyWindow(sheet);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

// The stand-in shell: it lets go of the object once AddPages is done, shows
// the pages offered in a modeless property sheet, turns to each in turn,
// reads control 1003 and closes the sheet.
std::vector<Shown> ShowPages(TestDataObject& data)
{
    Offers offers;
    EXPECT_EQ(S_OK, SheetFor(&data)->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
    if (offers.Pages.empty())
        return {};
    EXPECT_EQ(2, data.References()) << "the pages must keep the object, and it the data";
    HWND sheet = OpenSheet(offers.Pages);
    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow()) << "an open page must keep the library";
    auto tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    std::vector<Shown> shown(offers.Pages.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        wchar_t title[64] = {};
        TCITEMW tab = {};
        tab.mask = TCIF_TEXT;
        tab.pszText = title;
        tab.cchTextMax = ARRAYSIZE(title);
        SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&tab));
        SendMessageA(sheet, PSM_SETCURSEL, i, 0);
        auto page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        HWND edit = GetDlgItem(page, 1003);
        std::string text(GetWindowTextLengthA(edit) + 1, '\0');
        text.resize(GetWindowTextA(edit, &text[0], int(text.size())));
        std::wstring wide(GetWindowTextLengthW(edit) + 1, L'\0');
        wide.resize(GetWindowTextW(edit, &wide[0], int(wide.size())));
        shown[i] = {title, text, wide};
    }
    if (Seen.Second.joinable())
        Seen.Second.join();  // the probe's second page
    CloseSheet(sheet);
    EXPECT_EQ(1, data.References()) << "closing the sheet must release the object";
    return shown;
}

// The text of the Info page, the one page of a file without tag chunks.
std::string ShowPage(TestDataObject& data)
{
    const std::vector<Shown> shown = ShowPages(data);
    EXPECT_EQ(1u, shown.size()) << "a file without tag chunks gets one page";
    if (shown.empty())
        return "(no page)";
    EXPECT_EQ(L"  Info", shown[0].Title);
    return shown[0].Text;
}

std::string ShowPageOf(const std::string& path)
{
    TestDataObject data({path});
    return ShowPage(data);
}

// Greek, Japanese and a character beyond the first 65,536, which takes two
// UTF-16 units.
const std::wstring NameInAnyScript = L"\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C \U0001F3B5.wav";

// The path as the shell's 8-bit call gives it from a UTF-16 drop list.
std::string AsDragQueryFileAGivesIt(const std::wstring& path)
{
    TestDataObject data({path});
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    EXPECT_EQ(S_OK, data.GetData(&format, &medium));
    char text[3 * MAX_PATH] = {};
    DragQueryFileA(static_cast<HDROP>(medium.hGlobal), 0, text, sizeof text);
    ReleaseStgMedium(&medium);
    return text;
}

// Whether or not a page is offered, and whatever becomes of it short of being
// shown (the stand-in shell below shows them), each page's reference comes
// back exactly once and the storage medium is given back: in the end the
// object and the data object hold what they held before. A file with a tag
// chunk gets the Tags page after the Info page, only when the sheet took the
// Info page.
TEST_F(PageTest, AddPagesOffersItsPagesForOneFileAndGivesEverythingBack)
{
    enum Platform { Plain, DestroyWithoutRelease, CreateFails, TagsCreateFails };
    const std::vector<std::string> one = {"C:\\a.wav"}, tagged = {TaggedSample()};
    const struct {
        const char* Name; bool Initialize; std::vector<std::string> Files; HRESULT GetData;
        int Accept; Platform Platform; int Offered;
    } cases[] = {
        {"no data object", false, one, S_OK, 2, Plain, 0},
        {"no files", true, {}, S_OK, 2, Plain, 0},
        {"two files", true, {"C:\\a.wav", "C:\\b.wav"}, S_OK, 2, Plain, 0},
        {"GetData fails", true, one, E_OUTOFMEMORY, 2, Plain, 0},
        {"path too long", true, {"C:\\" + std::string(300, 'a') + ".wav"}, S_OK, 2, Plain, 0},
        {"accepted, never shown", true, one, S_OK, 2, Plain, 1},
        {"refused, release sent", true, one, S_OK, 0, Plain, 1},
        {"refused, no release sent", true, one, S_OK, 0, DestroyWithoutRelease, 1},
        {"never made", true, one, S_OK, 2, CreateFails, 0},
        {"tagged, both accepted, never shown", true, tagged, S_OK, 2, Plain, 2},
        {"tagged, Tags refused, release sent", true, tagged, S_OK, 1, Plain, 2},
        {"tagged, Tags refused, no release sent", true, tagged, S_OK, 1, DestroyWithoutRelease, 2},
        {"tagged, Tags never made", true, tagged, S_OK, 2, TagsCreateFails, 1},
        {"tagged, Info refused", true, tagged, S_OK, 0, Plain, 1},
        {"tagged, Info never made", true, tagged, S_OK, 2, CreateFails, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDataObject data(c.Files, c.GetData);
        ComPtr<IShellPropSheetExt> sheet = SheetFor(c.Initialize ? &data : nullptr);
        Offers offers;
        offers.Accept = c.Accept;
        Seen.DestroyWithoutRelease = c.Platform == DestroyWithoutRelease;
        Seen.CreateFails = c.Platform == CreateFails;
        Seen.TagsCreateFails = c.Platform == TagsCreateFails;
        Seen.Page = {};
        Seen.TagsPage = {};
        EXPECT_EQ(S_OK, sheet->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
        Seen.DestroyWithoutRelease = Seen.CreateFails = Seen.TagsCreateFails = false;
        EXPECT_EQ(c.Offered, offers.Count);
        EXPECT_EQ(c.Offered == 2 || c.Platform == TagsCreateFails, Seen.TagsPage.dwSize != 0)
            << "a Tags page was made for a file without tag chunks, or never offered";
        if (!offers.Pages.empty()) {
            // The first layout of the description; the page counts as an
            // object of the library, and so far the object is the only one.
            EXPECT_EQ(UINT(PROPSHEETPAGEA_V1_SIZE), Seen.Page.dwSize);
            EXPECT_EQ(DWORD(PSP_USETITLE | PSP_USEREFPARENT | PSP_USECALLBACK), Seen.Page.dwFlags);
            EXPECT_STREQ("  Info", Seen.Page.pszTitle);
            EXPECT_EQ(1u, Seen.Page.pcRefParent ? *Seen.Page.pcRefParent : 0u);
        }
        if (offers.Pages.size() == 2) {
            // The Tags page follows the same rules, in UTF-16.
            EXPECT_EQ(UINT(PROPSHEETPAGEW_V1_SIZE), Seen.TagsPage.dwSize);
            EXPECT_EQ(DWORD(PSP_USETITLE | PSP_USEREFPARENT | PSP_USECALLBACK),
                      Seen.TagsPage.dwFlags);
            EXPECT_STREQ(L"  Tags", Seen.TagsPage.pszTitle);
            EXPECT_EQ(Seen.Page.pcRefParent, Seen.TagsPage.pcRefParent);
        }
        EXPECT_EQ(1 + offers.Pages.size(), RefCountOf(sheet.Get()));
        for (HPROPSHEETPAGE page : offers.Pages) {
            EXPECT_TRUE(DestroyPropertySheetPage(page));
        }
        EXPECT_EQ(c.Initialize ? 2 : 1, data.References());
        EXPECT_EQ(1u, RefCountOf(sheet.Get()));
        sheet.Reset();
        EXPECT_EQ(1, data.References());
        EXPECT_TRUE(Seen.TabStops.empty()) << "a page never shown was set up";
    }
}

// A data object that hands over its drop handle without naming the medium's
// type still gets its page.
TEST_F(PageTest, DropHandleWithoutMediumTypeIsTaken)
{
    TestDataObject data({"C:\\a.wav"}, S_OK, TYMED_NULL);
    Offers offers;
    EXPECT_EQ(S_OK, SheetFor(&data)->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
    ASSERT_EQ(1u, offers.Pages.size());
    EXPECT_TRUE(DestroyPropertySheetPage(offers.Pages[0]));
}

// The report of the file, or its path alone when it cannot be opened.
TEST_F(PageTest, StandInShellShowsTheReportOfTheFile)
{
    const std::string sample = AsciiSample(), missing = "C:\\no such folder\\missing.wav";
    const std::pair<std::string, std::string> cases[] = {{sample, sample + SampleReport},
                                                         {missing, missing}};
    for (const auto& [path, expected] : cases) {
        Seen.TabStops.clear();
        EXPECT_EQ(expected, ShowPageOf(path));
        EXPECT_EQ(std::vector<int>{10}, Seen.TabStops) << path;
        EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << path;
    }
}

// A name the ANSI code page cannot hold: the page opens the file through its
// UTF-16 name and shows the whole report, whose path line holds the name as
// the shell's 8-bit call gives it.
TEST_F(PageTest, StandInShellShowsTheReportOfANameInAnyScript)
{
    const std::wstring path = SampleFolder() + L"\\" + NameInAnyScript;
    WriteSample(path);
    const std::string pathLine = AsDragQueryFileAGivesIt(path);
    const HANDLE byPathLine = CreateFileA(pathLine.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, byPathLine) << "the code page holds the name: nothing to test";
    TestDataObject data({path});
    EXPECT_EQ(pathLine + SampleReport, ShowPage(data));
    DeleteFileW(path.c_str());
}

// A file with a tag chunk gets the Tags page after the Info page, which shows
// what it shows for any file. The Tags page holds what tarvo-report --tags
// prints for the file, with CR LF: its path line is the name as written, in
// any script, and the track names show in theirs.
TEST_F(PageTest, StandInShellShowsTheTagsPageOfAFileWithATagChunk)
{
    const std::wstring named = SampleFolder() + L"\\" + NameInAnyScript;
    WriteSample(named, TaggedBytes);
    const std::string ascii = TaggedSample();
    const std::pair<std::wstring, std::string> cases[] = {
        {std::wstring(ascii.begin(), ascii.end()), ascii},
        {named, AsDragQueryFileAGivesIt(named)}};
    for (const auto& [path, infoPathLine] : cases) {
        SCOPED_TRACE(infoPathLine);
        TestDataObject data({path});
        const std::vector<Shown> shown = ShowPages(data);
        ASSERT_EQ(2u, shown.size());
        EXPECT_EQ(L"  Info", shown[0].Title);
        EXPECT_EQ(infoPathLine + TaggedReport, shown[0].Text);
        EXPECT_EQ(L"  Tags", shown[1].Title);
        EXPECT_EQ(path + TaggedTags, shown[1].WideText);
        EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
    }
    DeleteFileW(named.c_str());
}

// The page's limit on the name is counted in UTF-16 units: a name that fits
// MAX_PATH with its NUL gets a page, a longer one gets none.
TEST_F(PageTest, NameLimitIsCountedInUtf16Units)
{
    for (const size_t units : {size_t(MAX_PATH - 1), size_t(MAX_PATH)}) {
        std::wstring name = L"C:\\";
        while (name.size() + 4 + 2 <= units)
            name += L"\U0001F3B5";
        name.append(units - 4 - name.size(), L'x').append(L".wav");
        ASSERT_EQ(units, name.size());
        TestDataObject data({name});
        Offers offers;
        EXPECT_EQ(S_OK, SheetFor(&data)->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
        EXPECT_EQ(units < MAX_PATH ? 1 : 0, offers.Count) << units << " units";
        for (HPROPSHEETPAGE page : offers.Pages) {
            EXPECT_TRUE(DestroyPropertySheetPage(page));
        }
    }
}

// Explorer shows each Properties dialog on a thread of its own. While the
// first page hands its text to the edit box, the page of another file builds
// its report on another thread, without waiting, and neither text disturbs
// the other: each thread has its own report buffer.
TEST_F(PageTest, PagesOnTwoThreadsBuildTheirReportsAtOnce)
{
    const std::wstring other = SampleFolder() + L"\\other take.wav";
    WriteSample(other);
    TestDataObject otherData({other});
    Offers otherOffers;
    EXPECT_EQ(S_OK, SheetFor(&otherData)->AddPages(TakePage, reinterpret_cast<LPARAM>(&otherOffers)));
    ASSERT_EQ(1u, otherOffers.Pages.size());
    Seen.SecondPage = Seen.Page;

    Seen.FirstThread = GetCurrentThreadId();
    Seen.SecondAtSetText = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const std::string sample = AsciiSample();
    EXPECT_EQ(sample + SampleReport, ShowPageOf(sample));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Seen.SecondAtSetText, 0)) << "no second report";
    CloseHandle(Seen.SecondAtSetText);
    EXPECT_TRUE(Seen.SecondGotThrough) << "the second page waited for the first";
    EXPECT_EQ(std::string(other.begin(), other.end()) + SampleReport, Seen.SecondText);
    EXPECT_TRUE(DestroyPropertySheetPage(otherOffers.Pages[0]));
    EXPECT_EQ(1, otherData.References());
    DeleteFileW(other.c_str());
}

}  // namespace

// The shell unloads tarvo.dll once nothing of it is alive, while a thread
// that showed one of its pages may live on. That thread must still be able
// to end: the library may leave it no thread-local object to destroy. This
// suite loads and frees the library itself (run on its own, it is the only
// one that loads it).
struct PageThread {
    HMODULE Library = nullptr;
    std::string Path, Text;
    HANDLE Shown = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE End = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

// Shows the page of Path in a modeless property sheet on this thread, as a
// Properties dialog of the shell does, keeps the text of its edit box and
// closes it; then waits for End.
DWORD WINAPI ShowPageThenWait(LPVOID parameter)
{
    auto* thread = static_cast<PageThread*>(parameter);
    {
        const auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(thread->Library, "DllGetClassObject")));
        ComPtr<IClassFactory> factory;
        ComPtr<IShellPropSheetExt> sheet;
        ComPtr<IShellExtInit> init;
        TestDataObject data({thread->Path});
        Offers offers;
        if (getClassObject && SUCCEEDED(getClassObject(ExtensionClassId, IID_IClassFactory, &factory)) &&
            SUCCEEDED(factory->CreateInstance(nullptr, IID_IShellPropSheetExt, &sheet)) &&
            SUCCEEDED(sheet.As(&init)) && SUCCEEDED(init->Initialize(nullptr, &data, nullptr)))
            sheet->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers));
        init.Reset();
        sheet.Reset();
        factory.Reset();
        if (!offers.Pages.empty()) {
            HWND window = OpenSheet(offers.Pages);
            auto page = reinterpret_cast<HWND>(SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0));
            HWND edit = GetDlgItem(page, 1003);
            thread->Text.assign(GetWindowTextLengthA(edit) + 1, '\0');
            thread->Text.resize(GetWindowTextA(edit, &thread->Text[0], int(thread->Text.size())));
            CloseSheet(window);
        }
    }
    SetEvent(thread->Shown);
    WaitForSingleObject(thread->End, INFINITE);
    return 0;
}

TEST(UnloadTest, ThreadThatShowedAPageEndsAfterTheLibraryIsUnloaded)
{
    InitCommonControls();
    PageThread thread;
    thread.Path = TaggedSample();  // both pages, and the Tags report's reading
    thread.Library = LoadLibraryA("tarvo.dll");
    ASSERT_TRUE(thread.Library);
    const HANDLE shell = CreateThread(nullptr, 0, ShowPageThenWait, &thread, 0, nullptr);
    ASSERT_TRUE(shell);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Shown, 10000));
    EXPECT_EQ(thread.Path + TaggedReport, thread.Text);
    const auto canUnloadNow = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(thread.Library, "DllCanUnloadNow")));
    ASSERT_TRUE(canUnloadNow);
    EXPECT_EQ(S_OK, canUnloadNow());
    EXPECT_TRUE(FreeLibrary(thread.Library));
    EXPECT_EQ(nullptr, GetModuleHandleA("tarvo.dll")) << "the library is still loaded";
    SetEvent(thread.End);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(shell, 10000)) << "the thread did not end";
    CloseHandle(shell);
}
