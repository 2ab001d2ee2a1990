// The Tags page: for a file with tag chunks (iXML, XMP and the like), one
// read-only multi-line Unicode edit box holding the file's Tags report, so
// that names in any script show as written. Like the Info page, it keeps one
// reference on its SheetExtension from AddPages until the property sheet
// manager releases it.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "extension.h"
#include "module.h"
#include "report.h"
#include "resource.h"

namespace {

constexpr wchar_t TagsPageTitle[] = L"  Tags";

// The name in UTF-8, as tarvo-report writes paths.
std::string Utf8(const wchar_t* name)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, -1, &text[0], size, nullptr, nullptr);
    text.resize(static_cast<size_t>(size - 1));
    return text;
}

// UTF-8 text with LF line breaks in UTF-16 with CR LF; what is not UTF-8
// shows as the replacement character.
std::wstring PageText(const std::string& text)
{
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            size);
    std::wstring shown;
    shown.reserve(wide.size() + wide.size() / 16);
    for (const wchar_t unit : wide) {
        if (unit == L'\n')
            shown += L'\r';
        shown += unit;
    }
    return shown;
}

UINT CALLBACK TagsPageCallback(HWND, UINT message, PROPSHEETPAGEW* page)
{
    return SheetExtension::PageCallback(message, page ? page->lParam : 0);
}

INT_PTR CALLBACK TagsPageProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        const SheetExtension* extension = SheetExtension::FromPageData(page->lParam);
        SendDlgItemMessageW(dialog, ReportControlId, WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(extension->TagsPageText()));
        return TRUE;
    }
    case WM_DESTROY:
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

// Builds TagsText from the selected file, as tarvo-report --tags prints it:
// the path line (the UTF-8 form of the UTF-16 name, which holds any script),
// then the report's sections. False for a file without tag chunks, one that
// cannot be read, or when memory runs out: no exception leaves AddPages.
bool SheetExtension::TakeTagsText()
{
    try {
        std::string tags;
        BuildReport(PageFile(), nullptr, &tags);
        if (tags.empty())
            return false;
        TagsText = PageText(Utf8(FileName) + '\n' + tags);
        return true;
    } catch (...) {
        TagsText.clear();
        return false;
    }
}

void SheetExtension::AddTagsPage(LPFNSVADDPROPSHEETPAGE addPage, LPARAM addPageData)
{
    if (!TakeTagsText())
        return;

    PROPSHEETPAGEW_V1 description = {};
    description.dwSize = PROPSHEETPAGEW_V1_SIZE;
    description.dwFlags = PSP_USETITLE | PSP_USEREFPARENT | PSP_USECALLBACK;
    description.hInstance = ModuleInstance;
    description.pszTemplate = MAKEINTRESOURCEW(TagsDialogId);
    description.pszTitle = TagsPageTitle;
    description.pfnDlgProc = TagsPageProc;
    description.lParam = PageData();
    description.pfnCallback = TagsPageCallback;
    description.pcRefParent = reinterpret_cast<UINT*>(const_cast<LONG*>(&ObjectCount));

    AddRef();  // the page's reference
    OfferPage(CreatePropertySheetPageW(reinterpret_cast<PROPSHEETPAGEW*>(&description)), addPage,
              addPageData);
}
