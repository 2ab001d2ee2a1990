// The Info page: one multi-line edit box holding the report of the selected
// file. The page keeps one reference on its SheetExtension from AddPages
// until the property sheet manager releases the page.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "extension.h"
#include "module.h"
#include "report.h"
#include "resource.h"

UINT CALLBACK InfoPageCallback(HWND window, UINT message, PROPSHEETPAGEA* page);
INT_PTR CALLBACK InfoPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

constexpr char InfoPageTitle[] = "  Info";
constexpr UINT AllFiles = 0xFFFFFFFF;
// In dialog template units.
constexpr int ReportTabStop = 10;

}  // namespace

// Copies the path into FileName, and its 8-bit form into FileNameText, when
// the data object names exactly one file and the path fits; otherwise there
// is nothing to show a page for.
bool SheetExtension::TakeSingleFileName()
{
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(DataObject->GetData(&format, &medium)))
        return false;
    bool taken = false;
    // Some data objects leave the medium's type unset; any other type holds
    // something that is not a drop handle.
    const bool global = medium.tymed == TYMED_HGLOBAL || medium.tymed == TYMED_NULL;
    const auto drop = static_cast<HDROP>(global ? medium.hGlobal : nullptr);
    if (drop && DragQueryFileW(drop, AllFiles, nullptr, 0) == 1) {
        // An empty list still counts as one file, with an empty name.
        const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        if (length > 0 && length < ARRAYSIZE(FileName)) {
            DragQueryFileW(drop, 0, FileName, ARRAYSIZE(FileName));
            DragQueryFileA(drop, 0, FileNameText, sizeof FileNameText);
            taken = true;
        }
    }
    ReleaseStgMedium(&medium);
    return taken;
}

STDMETHODIMP SheetExtension::AddPages(LPFNSVADDPROPSHEETPAGE addPage, LPARAM addPageData)
{
    if (!DataObject || !addPage || !TakeSingleFileName())
        return S_OK;

    PROPSHEETPAGEA_V1 description = {};
    description.dwSize = PROPSHEETPAGEA_V1_SIZE;
    description.dwFlags = PSP_USETITLE | PSP_USEREFPARENT | PSP_USECALLBACK;
    description.hInstance = ModuleInstance;
    description.pszTemplate = MAKEINTRESOURCEA(InfoDialogId);
    description.pszTitle = InfoPageTitle;
    description.pfnDlgProc = InfoPageProc;
    description.lParam = PageData();
    description.pfnCallback = InfoPageCallback;
    description.pcRefParent = reinterpret_cast<UINT*>(const_cast<LONG*>(&ObjectCount));

    AddRef();  // the page's reference
    HPROPSHEETPAGE page =
        CreatePropertySheetPageA(reinterpret_cast<PROPSHEETPAGEA*>(&description));
    // A sheet that takes no Info page gets no Tags page either.
    if (OfferPage(page, addPage, addPageData))
        AddTagsPage(addPage, addPageData);
    return S_OK;
}

bool SheetExtension::OfferPage(HPROPSHEETPAGE page, LPFNSVADDPROPSHEETPAGE addPage,
                               LPARAM addPageData)
{
    if (!page) {
        Release();
        return false;
    }
    if (addPage(page, addPageData))
        return true;
    // Destroying the page may or may not run its release callback, depending
    // on the platform; the reference goes back once either way.
    const LONG releasesBefore = PageReleases;
    DestroyPropertySheetPage(page);
    if (PageReleases == releasesBefore)
        Release();
    return false;
}

UINT SheetExtension::PageCallback(UINT message, LPARAM pageData)
{
    if (message == PSPCB_RELEASE && pageData) {
        SheetExtension* extension = FromPageData(pageData);
        InterlockedIncrement(&extension->PageReleases);
        extension->Release();
    }
    return 1;
}

UINT CALLBACK InfoPageCallback(HWND, UINT message, PROPSHEETPAGEA* page)
{
    return SheetExtension::PageCallback(message, page ? page->lParam : 0);
}

INT_PTR CALLBACK InfoPageProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        const SheetExtension* extension = SheetExtension::FromPageData(page->lParam);
        SendDlgItemMessageA(dialog, ReportControlId, EM_SETTABSTOPS, 1,
                            reinterpret_cast<LPARAM>(&ReportTabStop));
        // The text lives in this thread's report buffer, which only this
        // thread's next report reuses: the edit control copies it first.
        const char* report = BuildReport(extension->PageFile());
        SendDlgItemMessageA(dialog, ReportControlId, WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(report));
        return TRUE;
    }
    case WM_DESTROY:
        return TRUE;
    default:
        return FALSE;
    }
}
