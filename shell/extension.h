// The shell extension object: a property sheet handler that adds the Info
// page, and the Tags page for a file with tag chunks, with fixed minimal
// answers for the other shell interfaces it carries.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "report.h"

class SheetExtension final : public IContextMenu,
                             public IShellExtInit,
                             public IExtractIconA,
                             public IPersistFile,
                             public IShellPropSheetExt,
                             public ICopyHookA {
public:
    SheetExtension();

    // IUnknown, one for all six interfaces.
    STDMETHODIMP QueryInterface(REFIID interfaceId, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT lastCommand,
                                  UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* command) override;
    STDMETHODIMP GetCommandString(UINT_PTR command, UINT request, UINT* reserved, CHAR* name,
                                  UINT nameSize) override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* dataObject,
                            HKEY fileTypeKey) override;

    // IExtractIconA
    STDMETHODIMP GetIconLocation(UINT flags, PSTR iconFile, UINT iconFileSize, int* iconIndex,
                                 UINT* resultFlags) override;
    STDMETHODIMP Extract(PCSTR file, UINT iconIndex, HICON* largeIcon, HICON* smallIcon,
                         UINT iconSizes) override;

    // IPersistFile
    STDMETHODIMP GetClassID(CLSID* classId) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPCOLESTR fileName, DWORD mode) override;
    STDMETHODIMP Save(LPCOLESTR fileName, BOOL remember) override;
    STDMETHODIMP SaveCompleted(LPCOLESTR fileName) override;
    STDMETHODIMP GetCurFile(LPOLESTR* fileName) override;

    // IShellPropSheetExt
    STDMETHODIMP AddPages(LPFNSVADDPROPSHEETPAGE addPage, LPARAM addPageData) override;
    STDMETHODIMP ReplacePage(EXPPS pageId, LPFNSVADDPROPSHEETPAGE replacePage,
                             LPARAM replaceData) override;

    // ICopyHookA
    STDMETHODIMP_(UINT) CopyCallback(HWND window, UINT operation, UINT flags, PCSTR source,
                                     DWORD sourceAttributes, PCSTR destination,
                                     DWORD destinationAttributes) override;

    // Each page keeps the object in its page data as the primary pointer.
    static SheetExtension* FromPageData(LPARAM pageData)
    {
        return static_cast<SheetExtension*>(reinterpret_cast<IContextMenu*>(pageData));
    }
    LPARAM PageData() { return reinterpret_cast<LPARAM>(static_cast<IContextMenu*>(this)); }

    // The file the page reports on: opened through its UTF-16 name, shown
    // in the report as the shell's 8-bit calls give the name.
    ReportPath PageFile() const { return ReportPath(FileNameText, FileName); }

    // What the Tags page shows: UTF-16 text with CR LF line breaks.
    const wchar_t* TagsPageText() const { return TagsText.c_str(); }

    // What a page's callback does with a message of the property sheet
    // manager, for the page whose data is pageData: on its release, the
    // page's reference on the object goes. The result is the callback's.
    static UINT PageCallback(UINT message, LPARAM pageData);

private:
    ~SheetExtension();

    bool TakeSingleFileName();
    // Hands the shell a page made with its reference on the object already
    // taken; true when the shell keeps it. The reference is given back once
    // when the page was not made or is refused.
    bool OfferPage(HPROPSHEETPAGE page, LPFNSVADDPROPSHEETPAGE addPage, LPARAM addPageData);
    bool TakeTagsText();
    void AddTagsPage(LPFNSVADDPROPSHEETPAGE addPage, LPARAM addPageData);

    // The selected file's name, at most MAX_PATH UTF-16 units with its NUL,
    // and that name in the ANSI code page, which takes up to 3 bytes a unit.
    wchar_t FileName[MAX_PATH];
    char FileNameText[3 * MAX_PATH];
    volatile LONG RefCount = 0;
    IDataObject* DataObject = nullptr;
    char LoadedFileName[MAX_PATH];
    // The Tags report of the selected file as the Tags page shows it; set
    // before the page is made and left alone while it lives.
    std::wstring TagsText;
    // Page references given back by the page itself, so that AddPages can
    // tell whether destroying a refused page already gave its one back.
    volatile LONG PageReleases = 0;
};
