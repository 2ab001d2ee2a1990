// The Info page: when AddPages offers it, the one reference it holds on the
// object, and what it shows once a property sheet creates it.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "support.h"

#include <commctrl.h>

#include "report.h"

namespace {

// What the shell's add-page callback saw.
struct Offers {
    bool Accept = true;
    int Count = 0;
    HPROPSHEETPAGE Page = nullptr;
};

BOOL CALLBACK TakePage(HPROPSHEETPAGE page, LPARAM data)
{
    auto* offers = reinterpret_cast<Offers*>(data);
    ++offers->Count;
    if (offers->Accept)
        offers->Page = page;
    return offers->Accept;
}

std::string ExpectedReport(const std::string& path)
{
    std::lock_guard<std::recursive_mutex> held(ReportLock());
    return BuildReport(path.c_str());
}

struct ShownPage {
    std::string Title;
    std::string Text;
};

// The stand-in shell: a modeless property sheet with the one page, read and
// closed again.
ShownPage ShowPage(HPROPSHEETPAGE page)
{
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = "Properties";
    header.nPages = 1;
    header.phpage = &page;
    auto sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    ShownPage shown;
    EXPECT_NE(nullptr, sheet);
    if (!sheet)
        return shown;

    char title[64] = {};
    TCITEMA tab = {};
    tab.mask = TCIF_TEXT;
    tab.pszText = title;
    tab.cchTextMax = sizeof title;
    auto tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tab));
    shown.Title = title;

    EXPECT_EQ(S_FALSE, Tarvo().CanUnloadNow()) << "an open page must keep the library";
    auto pageWindow = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND edit = GetDlgItem(pageWindow, 1003);
    EXPECT_NE(nullptr, edit);
    std::string text(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) + 1, '\0');
    text.resize(SendMessageA(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    shown.Text = text;

    DestroyWindow(sheet);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    return shown;
}

// Records what the page sends to its controls; optionally, at the first
// WM_SETTEXT, starts a second page on another thread and waits to see
// whether that one can build its report in the meantime.
struct SendRecord {
    decltype(&SendDlgItemMessageA) Real = nullptr;
    int TabStopCalls = 0;
    WPARAM TabStopCount = 0;
    int TabStop = 0;
    int SetTextCalls = 0;

    bool ProbeLock = false;
    DWORD FirstThread = 0;
    std::string SecondPath;
    std::thread Second;
    ShownPage SecondShown;
    HANDLE SecondAtSetText = nullptr;
    bool SecondGotThrough = false;
} Sent;

ShownPage ShowPageOf(const std::string& path);

bool WaitPumpingSentMessages(HANDLE event, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return false;
        const DWORD woken =
            MsgWaitForMultipleObjects(1, &event, FALSE, milliseconds - elapsed, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0)
            return true;
        if (woken != WAIT_OBJECT_0 + 1)
            return false;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

LRESULT WINAPI RecordSendDlgItemMessage(HWND dialog, int control, UINT message, WPARAM wParam,
                                        LPARAM lParam)
{
    if (message == EM_SETTABSTOPS) {
        ++Sent.TabStopCalls;
        Sent.TabStopCount = wParam;
        Sent.TabStop = wParam == 1 ? *reinterpret_cast<const int*>(lParam) : -1;
    }
    if (message == WM_SETTEXT) {
        ++Sent.SetTextCalls;
        if (Sent.ProbeLock && GetCurrentThreadId() != Sent.FirstThread) {
            SetEvent(Sent.SecondAtSetText);
        } else if (Sent.ProbeLock && !Sent.Second.joinable()) {
            Sent.Second = std::thread([] { Sent.SecondShown = ShowPageOf(Sent.SecondPath); });
            Sent.SecondGotThrough = WaitPumpingSentMessages(Sent.SecondAtSetText, 1500);
        }
    }
    return Sent.Real(dialog, control, message, wParam, lParam);
}

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, Tarvo().CanUnloadNow());
        InitCommonControls();
        Sent = {};
        Sent.Real = reinterpret_cast<decltype(Sent.Real)>(SendPatch.Original());
        Object = MakeExtension<IShellPropSheetExt>(IID_IShellPropSheetExt);
        ASSERT_NE(nullptr, Object.Get());
        ASSERT_EQ(S_OK, Object->QueryInterface(IID_IShellExtInit, Init.Out()));
    }
    void TearDown() override
    {
        Init.Reset();
        Object.Reset();
        EXPECT_EQ(S_OK, Tarvo().CanUnloadNow()) << "an object or page outlived its test";
    }

    ImportPatch SendPatch{"user32.dll", "SendDlgItemMessageA",
                          reinterpret_cast<void*>(&RecordSendDlgItemMessage)};
    Ref<IShellPropSheetExt> Object;
    Ref<IShellExtInit> Init;
};

// The page of one file, the way the shell gets and shows it: the shell lets
// go of the object before the sheet opens, and the page keeps it.
ShownPage ShowPageOf(const std::string& path)
{
    TestDataObject data({path});
    Offers offers;
    {
        Ref<IShellPropSheetExt> object = MakeExtension<IShellPropSheetExt>(IID_IShellPropSheetExt);
        Ref<IShellExtInit> init;
        EXPECT_EQ(S_OK, object->QueryInterface(IID_IShellExtInit, init.Out()));
        EXPECT_EQ(S_OK, init->Initialize(nullptr, &data, nullptr));
        EXPECT_EQ(S_OK, object->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
    }
    EXPECT_EQ(1, offers.Count);
    if (!offers.Page)
        return {};
    EXPECT_EQ(2, data.References()) << "the page must keep the object, and it the data";
    ShownPage shown = ShowPage(offers.Page);
    EXPECT_EQ(1, data.References()) << "closing the sheet must release the object";
    return shown;
}

PROPSHEETPAGEA CreatedPage;
HPROPSHEETPAGE(WINAPI* RealCreatePage)(LPCPROPSHEETPAGEA);

HPROPSHEETPAGE WINAPI CopyAndCreatePage(LPCPROPSHEETPAGEA page)
{
    std::memcpy(&CreatedPage, page, std::min<size_t>(page->dwSize, sizeof CreatedPage));
    return RealCreatePage(page);
}

TEST_F(PageTest, OneFileGetsAPageThatHoldsTheObjectUntilReleased)
{
    TestDataObject data({"C:\\music\\one.wav"});
    ASSERT_EQ(S_OK, Init->Initialize(nullptr, &data, nullptr));
    Offers offers;
    {
        CreatedPage = {};
        ImportPatch create("comctl32.dll", "CreatePropertySheetPageA",
                           reinterpret_cast<void*>(&CopyAndCreatePage));
        RealCreatePage = reinterpret_cast<decltype(RealCreatePage)>(create.Original());
        EXPECT_EQ(S_OK, Object->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
    }
    EXPECT_EQ(1, offers.Count);
    ASSERT_NE(nullptr, offers.Page);

    const FORMATETC& asked = data.FormatAsked();
    EXPECT_EQ(CF_HDROP, asked.cfFormat);
    EXPECT_EQ(nullptr, asked.ptd);
    EXPECT_EQ(DWORD(DVASPECT_CONTENT), asked.dwAspect);
    EXPECT_EQ(-1, asked.lindex);
    EXPECT_EQ(DWORD(TYMED_HGLOBAL), asked.tymed);
    EXPECT_EQ(1, data.MediaGiven());
    EXPECT_EQ(1, data.MediaReturned());

    Ref<IContextMenu> primary;
    ASSERT_EQ(S_OK, Object->QueryInterface(IID_IContextMenu, primary.Out()));
    // The first layout of the page description: 40 bytes in a 32-bit process.
    EXPECT_EQ(sizeof(void*) == 4 ? 40u : UINT(PROPSHEETPAGEA_V1_SIZE), CreatedPage.dwSize);
    EXPECT_EQ(DWORD(PSP_USETITLE | PSP_USEREFPARENT | PSP_USECALLBACK), CreatedPage.dwFlags);
    EXPECT_EQ(Tarvo().Module, CreatedPage.hInstance);
    EXPECT_EQ(MAKEINTRESOURCEA(132), CreatedPage.pszTemplate);
    EXPECT_STREQ("  Info", CreatedPage.pszTitle);
    EXPECT_EQ(reinterpret_cast<LPARAM>(primary.Get()), CreatedPage.lParam);
    ASSERT_NE(nullptr, CreatedPage.pcRefParent);
    EXPECT_EQ(1u, *CreatedPage.pcRefParent) << "the parent count is the library's object count";
    primary.Reset();

    // Made and never shown: the page's release still gives the reference
    // back, and no report was built for it.
    EXPECT_EQ(3u, RefCountOf(Object.Get()));
    EXPECT_TRUE(DestroyPropertySheetPage(offers.Page));
    EXPECT_EQ(2u, RefCountOf(Object.Get()));
    EXPECT_EQ(0, Sent.SetTextCalls);
}

BOOL WINAPI DestroyWithoutRelease(HPROPSHEETPAGE) { return TRUE; }
HPROPSHEETPAGE WINAPI CreateNoPage(LPCPROPSHEETPAGEA) { return nullptr; }

TEST_F(PageTest, NoPageForAnythingButOneFile)
{
    const std::string longPath = "C:\\" + std::string(300, 'a') + ".wav";
    const struct Case {
        const char* Name;
        bool Initialize;
        std::vector<std::string> Files;
        HRESULT GetData;
    } cases[] = {
        {"never initialised", false, {"C:\\a.wav"}, S_OK},
        {"no files", true, {}, S_OK},
        {"two files", true, {"C:\\a.wav", "C:\\b.wav"}, S_OK},
        {"three files", true, {"C:\\a.wav", "C:\\b.wav", "C:\\c.wav"}, S_OK},
        {"GetData fails", true, {"C:\\a.wav"}, DV_E_FORMATETC},
        {"path too long", true, {longPath}, S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDataObject data(c.Files, c.GetData);
        if (c.Initialize) {
            ASSERT_EQ(S_OK, Init->Initialize(nullptr, &data, nullptr));
        }
        const ULONG before = RefCountOf(Object.Get());
        Offers offers;
        EXPECT_EQ(S_OK, Object->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
        EXPECT_EQ(0, offers.Count);
        EXPECT_EQ(before, RefCountOf(Object.Get()));
        EXPECT_EQ(data.MediaGiven(), data.MediaReturned()) << "storage medium not released";
        ASSERT_EQ(S_OK, Init->Initialize(nullptr, nullptr, nullptr));
        EXPECT_EQ(1, data.References());
    }
    // Initialize without a data object left none held.
    Offers offers;
    EXPECT_EQ(S_OK, Object->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
    EXPECT_EQ(0, offers.Count);
}

// Whether the platform sends the page's release while destroying a refused
// page or not, and whether a page is made at all, the object's count ends
// where it began.
TEST_F(PageTest, PageReferenceComesBackOnceWhateverBecomesOfThePage)
{
    const struct Case {
        const char* Name;
        bool Accept;
        const char* Function;
        void* Replacement;
        int Offered;
    } cases[] = {
        {"refused, release sent", false, nullptr, nullptr, 1},
        {"refused, no release sent", false, "DestroyPropertySheetPage",
         reinterpret_cast<void*>(&DestroyWithoutRelease), 1},
        {"never made", true, "CreatePropertySheetPageA", reinterpret_cast<void*>(&CreateNoPage), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDataObject data({"C:\\a.wav"});
        ASSERT_EQ(S_OK, Init->Initialize(nullptr, &data, nullptr));
        const ULONG before = RefCountOf(Object.Get());
        Offers offers;
        offers.Accept = c.Accept;
        {
            std::unique_ptr<ImportPatch> patch;
            if (c.Function)
                patch.reset(new ImportPatch("comctl32.dll", c.Function, c.Replacement));
            EXPECT_EQ(S_OK, Object->AddPages(TakePage, reinterpret_cast<LPARAM>(&offers)));
        }
        EXPECT_EQ(c.Offered, offers.Count);
        EXPECT_EQ(before, RefCountOf(Object.Get()));
        ASSERT_EQ(S_OK, Init->Initialize(nullptr, nullptr, nullptr));
    }
}

TEST_F(PageTest, StandInShellShowsTheReportOfTheFile)
{
    Object.Reset();
    Init.Reset();
    const std::string paths[] = {
        ExampleFile("production-metadata.wav"),
        ExampleFile("damaged-odd-chunks.wav"),
        WriteTempFile("not-riff.wav", "This is not a RIFF file."),
        "C:\\no such folder\\missing.wav",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::string expected = ExpectedReport(path);
        ASSERT_EQ(0u, expected.find(path));
        Sent.TabStopCalls = 0;
        const ShownPage shown = ShowPageOf(path);
        EXPECT_EQ("  Info", shown.Title);
        EXPECT_EQ(expected, shown.Text);
        EXPECT_EQ(1, Sent.TabStopCalls);
        EXPECT_EQ(1u, Sent.TabStopCount);
        EXPECT_EQ(10, Sent.TabStop);
        EXPECT_EQ(S_OK, Tarvo().CanUnloadNow());
    }
    // The comparison above is only worth something if the report has its
    // line breaks and indentation in it.
    const std::string wave = ExpectedReport(paths[0]);
    EXPECT_NE(std::string::npos, wave.find("\r\n\t"));
}

// The report lives in the engine's one buffer. A second page building its
// report while the first is still handing its text to the edit box would
// overwrite that text; the first page holds the engine until the box has its
// copy.
TEST_F(PageTest, EngineIsHeldUntilTheEditBoxHasItsCopy)
{
    Object.Reset();
    Init.Reset();
    const std::string first = ExampleFile("production-metadata.wav");
    const std::string second = ExampleFile("pcm-16bit-stereo-44k.wav");
    ASSERT_NE(ExpectedReport(first), ExpectedReport(second));

    Sent.ProbeLock = true;
    Sent.FirstThread = GetCurrentThreadId();
    Sent.SecondPath = second;
    Sent.SecondAtSetText = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const ShownPage shown = ShowPageOf(first);
    ASSERT_TRUE(Sent.Second.joinable());
    Sent.Second.join();
    CloseHandle(Sent.SecondAtSetText);

    EXPECT_FALSE(Sent.SecondGotThrough) << "a second report was built while the first was in use";
    EXPECT_EQ(ExpectedReport(first), shown.Text);
    EXPECT_EQ(ExpectedReport(second), Sent.SecondShown.Text);
}

}  // namespace
