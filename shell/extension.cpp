#include "extension.h"

#include "module.h"

namespace {

constexpr UINT MenuCommandCount = 4;
constexpr char MenuItemLabel[] = " ";
constexpr char CommandText[] = " ";
constexpr wchar_t CommandTextWide[] = L" ";

}  // namespace

SheetExtension::SheetExtension() : FileName(), FileNameText(), LoadedFileName()
{
    CountObjectMade();
}

SheetExtension::~SheetExtension()
{
    if (DataObject)
        DataObject->Release();
    CountObjectGone();
}

// The object's IUnknown identity is its IShellExtInit interface; the shell
// compares pointers it got through IUnknown, so this must never change.
STDMETHODIMP SheetExtension::QueryInterface(REFIID interfaceId, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(interfaceId, IID_IShellExtInit) || IsEqualIID(interfaceId, IID_IUnknown))
        *out = static_cast<IShellExtInit*>(this);
    else if (IsEqualIID(interfaceId, IID_IContextMenu))
        *out = static_cast<IContextMenu*>(this);
    else if (IsEqualIID(interfaceId, IID_IExtractIconA))
        *out = static_cast<IExtractIconA*>(this);
    else if (IsEqualIID(interfaceId, IID_IPersistFile))
        *out = static_cast<IPersistFile*>(this);
    else if (IsEqualIID(interfaceId, IID_IShellPropSheetExt))
        *out = static_cast<IShellPropSheetExt*>(this);
    else if (IsEqualIID(interfaceId, IID_ICopyHookA))
        *out = static_cast<ICopyHookA*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SheetExtension::AddRef() { return InterlockedIncrement(&RefCount); }

STDMETHODIMP_(ULONG) SheetExtension::Release()
{
    const LONG count = InterlockedDecrement(&RefCount);
    if (count == 0)
        delete this;
    return count;
}

// The menu entries are placeholders the shell never shows: the registration
// makes this object a property sheet handler only.
STDMETHODIMP SheetExtension::QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT,
                                              UINT flags)
{
    const bool wanted = (flags & 0xF) == CMF_NORMAL || (flags & CMF_VERBSONLY) ||
                        (flags & CMF_EXPLORE);
    if (!wanted)
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    InsertMenuA(menu, index, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuA(menu, index + 1, MF_BYPOSITION | MF_STRING, firstCommand, MenuItemLabel);
    InsertMenuA(menu, index + 2, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuA(menu, index + 3, MF_BYPOSITION | MF_STRING, firstCommand + 1, MenuItemLabel);
    InsertMenuA(menu, index + 4, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuA(menu, index + 5, MF_BYPOSITION | MF_STRING, firstCommand + 2, MenuItemLabel);
    InsertMenuA(menu, index + 6, MF_BYPOSITION | MF_STRING, firstCommand + 3, MenuItemLabel);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, MenuCommandCount);
}

STDMETHODIMP SheetExtension::InvokeCommand(CMINVOKECOMMANDINFO* command)
{
    // A verb is either a command offset (all bits above the low word clear,
    // whatever the pointer width) or a string, which names no command here.
    if (!command || !IS_INTRESOURCE(command->lpVerb))
        return E_INVALIDARG;
    return LOWORD(command->lpVerb) < MenuCommandCount ? S_OK : E_INVALIDARG;
}

// Every command has the same one-blank text, and every request succeeds. The
// text is written in the character width the request asks for and never past
// the caller's buffer: a buffer of no size, or none at all (how a command's
// existence is asked), gets nothing.
STDMETHODIMP SheetExtension::GetCommandString(UINT_PTR, UINT request, UINT*, CHAR* name,
                                              UINT nameSize)
{
    if (!name || nameSize == 0)
        return S_OK;
    if (request & GCS_UNICODE)
        lstrcpynW(reinterpret_cast<WCHAR*>(name), CommandTextWide, nameSize);
    else
        lstrcpynA(name, CommandText, nameSize);
    return S_OK;
}

STDMETHODIMP SheetExtension::Initialize(PCIDLIST_ABSOLUTE, IDataObject* dataObject, HKEY)
{
    // Take the new reference before dropping the old one: the shell may hand
    // in the object already held.
    if (dataObject)
        dataObject->AddRef();
    if (DataObject)
        DataObject->Release();
    DataObject = dataObject;
    return S_OK;
}

STDMETHODIMP SheetExtension::GetIconLocation(UINT, PSTR iconFile, UINT iconFileSize, int* iconIndex,
                                             UINT*)
{
    if (iconFile && iconFileSize > 0) {
        GetModuleFileNameA(ModuleInstance, iconFile, iconFileSize);
        // Older systems leave a truncated name unterminated.
        iconFile[iconFileSize - 1] = '\0';
    }
    if (iconIndex)
        *iconIndex = static_cast<int>(GetPrivateProfileIntA("IconImage", "Index", 0, LoadedFileName));
    return S_OK;
}

// The shell extracts the icon itself from the location given above.
STDMETHODIMP SheetExtension::Extract(PCSTR, UINT, HICON*, HICON*, UINT) { return S_FALSE; }

STDMETHODIMP SheetExtension::GetClassID(CLSID*) { return E_FAIL; }

STDMETHODIMP SheetExtension::IsDirty() { return S_FALSE; }

STDMETHODIMP SheetExtension::Load(LPCOLESTR fileName, DWORD)
{
    const int written = WideCharToMultiByte(CP_ACP, 0, fileName, -1, LoadedFileName,
                                            sizeof LoadedFileName, nullptr, nullptr);
    // A name that does not fit is left out whole: a cut one is unterminated
    // and names some other file.
    if (written == 0)
        LoadedFileName[0] = '\0';
    return S_OK;
}

STDMETHODIMP SheetExtension::Save(LPCOLESTR, BOOL) { return E_FAIL; }

STDMETHODIMP SheetExtension::SaveCompleted(LPCOLESTR) { return E_FAIL; }

STDMETHODIMP SheetExtension::GetCurFile(LPOLESTR*) { return E_FAIL; }

STDMETHODIMP SheetExtension::ReplacePage(EXPPS, LPFNSVADDPROPSHEETPAGE, LPARAM) { return E_FAIL; }

// Tarvo has no say in file operations; everything goes ahead.
STDMETHODIMP_(UINT) SheetExtension::CopyCallback(HWND, UINT, UINT, PCSTR, DWORD, PCSTR, DWORD)
{
    return IDYES;
}
