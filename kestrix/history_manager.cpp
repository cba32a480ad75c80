// The history managers of the system menu: CHistoryDlg edits the file or the string history in a
// list and exports both to an INI file or imports them; the main dialog runs it and rebuilds its
// file list or string box from the edited history afterwards.
#include "history_manager.h"

#include <commctrl.h>
#include <commdlg.h>

#include <memory>
#include <string>

#include "browse_dialog.h"
#include "core/history_ini.h"
#include "core/row_browse_start.h"
#include "error_report.h"
#include "file_status_text.h"
#include "framework/data_exchange.h"
#include "history_export.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "res/resource.h"

namespace {

// The file list shows at most this many rows; a longer history shows its last entries.
constexpr int kMaxFileRows = 20;

const char kIniFilter[] = " Ini Files (*.ini)\0*.ini\0";
const char kIniDialogTitle[] = "Save Ini files";

CStringList& ListOfMode(int mode)
{
    return mode == CHistoryDlg::kFilesMode ? theApp.m_listFilesHistory : theApp.m_listStringsHistory;
}

// The open or save dialog for the export file; false when cancelled. name: MAX_PATH characters.
bool AskIniFile(HWND owner, char* name, DWORD capacity, bool save)
{
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kIniFilter;
    ofn.lpstrFile = name;
    ofn.nMaxFile = capacity;
    ofn.lpstrTitle = kIniDialogTitle;
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    return (save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn)) != FALSE;
}

} // namespace

CHistoryDlg::CHistoryDlg(HWND parent) : CDialog(IDD_HISTORY, parent) {}

CHistoryDlg::~CHistoryDlg() = default;

const MessageMap* CHistoryDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapClicked(IDC_HISTORY_LOAD, &CHistoryDlg::OnLoad),
        MapClicked(IDC_HISTORY_SAVE_AS, &CHistoryDlg::OnSaveAs),
        MapClicked(IDC_HISTORY_ADD, &CHistoryDlg::OnAdd),
        MapClicked(IDC_HISTORY_DELETE, &CHistoryDlg::OnDelete),
        MapNotify(IDC_HISTORY_LIST, LVN_KEYDOWN, &CHistoryDlg::OnKeydownList),
        MapNotify(IDC_HISTORY_LIST, NM_DBLCLK, &CHistoryDlg::OnDblclkList),
        MapNotify(IDC_HISTORY_LIST, LVN_ENDLABELEDITA, &CHistoryDlg::OnEndLabelEditList),
        MapNotify(IDC_HISTORY_LIST, LVN_ENDLABELEDITW, &CHistoryDlg::OnEndLabelEditList),
    };
    static const MessageMap map{entries, CDialog::GetMessageMap()};
    return &map;
}

void CHistoryDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_HISTORY_LIST, m_listHistory);
}

BOOL CHistoryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_nMode == kFilesMode) {
        m_listHistory.InsertColumn(0, "", LVCFMT_LEFT, 550);
        m_listHistory.InsertColumn(1, "", LVCFMT_RIGHT, 50);
        m_listHistory.InsertColumn(2, "", LVCFMT_RIGHT, 110);
    } else {
        m_listHistory.InsertColumn(0, "", LVCFMT_LEFT, 600);
    }
    FillList();
    m_strTitleBase = m_nMode == kFilesMode ? "Manage files history" : "Manage commands history";
    ShowTitle("current setting");
    return TRUE;
}

void CHistoryDlg::ShowTitle(const CString& suffix)
{
    SetWindowText(m_strTitleBase + " - " + suffix);
}

void CHistoryDlg::FillList()
{
    m_listHistory.DeleteAllItems();
    if (m_nMode == kFilesMode) {
        for (const CString& path : theApp.m_listFilesHistory)
            AddFileItem(path);
        return;
    }
    int row = 0;
    for (const CString& text : theApp.m_listStringsHistory)
        m_listHistory.InsertItem(row++, text);
}

void CHistoryDlg::AddFileItem(const CString& path)
{
    const int existing = m_listHistory.FindItemText(path);
    if (existing >= 0)
        m_listHistory.DeleteItem(existing);
    else if (m_listHistory.GetItemCount() > kMaxFileRows - 1)
        m_listHistory.DeleteItem(kMaxFileRows - 1);
    m_listHistory.InsertItem(0, path);
    SetFileColumns(0, path);
    m_listHistory.EnsureVisible(0);
}

void CHistoryDlg::SetFileColumns(int row, const CString& path)
{
    const FileStatusText status = ReadFileStatusText(path);
    m_listHistory.SetItemText(row, 1, status.size);
    m_listHistory.SetItemText(row, 2, status.date);
}

void CHistoryDlg::OnAdd()
{
    m_listHistory.InsertItem(m_listHistory.GetItemCount(), "New");
}

void CHistoryDlg::OnDelete()
{
    const int row = m_listHistory.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0)
        return;
    m_listHistory.DeleteItem(row);
    const int count = m_listHistory.GetItemCount();
    if (count > 0)
        m_listHistory.SelectItem(row < count ? row : count - 1);
}

void CHistoryDlg::EditSelectedItem()
{
    const int row = m_listHistory.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0)
        return;
    m_listHistory.SetFocus();
    m_listHistory.SendMessage(LVM_EDITLABELA, static_cast<WPARAM>(row));
    if (m_nMode != kFilesMode)
        return;
    CString path = m_listHistory.GetItemText(row, 0);
    if (!BrowseForFile(path))
        return;
    // An edit still open would put the old text back when it ends.
    m_listHistory.SendMessage(LVM_CANCELEDITLABEL);
    m_listHistory.SetItemText(row, 0, path);
    SetFileColumns(row, path);
}

BOOL CHistoryDlg::BrowseForFile(CString& path)
{
    // Every browse of the run starts from the row of the first one, in the filter chosen last.
    static const CString s_firstPath = path;
    static int s_nFilter = 0;
    const BrowseStart start = ChooseRowBrowseStart(s_firstPath.str(), s_nFilter);
    return RunBrowseDialog(m_hWnd, start, path, s_nFilter) ? TRUE : FALSE;
}

void CHistoryDlg::OnKeydownList(NMHDR* pNMHDR, LRESULT* pResult)
{
    if (reinterpret_cast<NMLVKEYDOWN*>(pNMHDR)->wVKey == VK_F2)
        EditSelectedItem();
    *pResult = 0;
}

void CHistoryDlg::OnDblclkList(NMHDR*, LRESULT* pResult)
{
    EditSelectedItem();
    *pResult = 0;
}

void CHistoryDlg::OnEndLabelEditList(NMHDR*, LRESULT* pResult)
{
    *pResult = 1;
}

void CHistoryDlg::OnClose()
{
    CStringList& list = ListOfMode(m_nMode);
    list.RemoveAll();
    const int count = m_listHistory.GetItemCount();
    for (int row = 0; row < count; ++row)
        list.AddHead(m_listHistory.GetItemText(row, 0));
    m_bRowsCopiedBack = true;
    CDialog::OnClose();
}

void CHistoryDlg::OnSaveAs()
{
    char name[MAX_PATH] = {};
    if (!AskIniFile(m_hWnd, name, sizeof name, true))
        return;
    const std::string path = WithIniExtension(name);
    // The lists as they stand: rows edited here reach them only when the dialog closes.
    const DWORD error = SaveHistoryIni(path.c_str(), theApp.m_listFilesHistory, theApp.m_listStringsHistory);
    if (error != ERROR_SUCCESS) {
        LogSystemError(error);
        return;
    }
    ShowTitle(path.c_str());
}

void CHistoryDlg::OnLoad()
{
    char name[MAX_PATH] = {};
    if (!AskIniFile(m_hWnd, name, sizeof name, false))
        return;
    if (LoadHistoryIni(name, theApp.m_listFilesHistory, theApp.m_listStringsHistory) == HistoryIniLoad::WrongFile) {
        ReportBox("Wrong ini file");
        return;
    }
    ShowTitle(name);
    FillList();
}

// --- the main dialog's commands 17 and 18 ---

namespace {

// Runs the manager of mode over the histories taken from the controls; true when its rows were
// copied back into the history.
bool RunHistoryManager(HWND owner, int mode)
{
    // The main dialog is the owner, so it stays disabled while the history is edited.
    auto dlg = std::make_unique<CHistoryDlg>(owner);
    dlg->SetMode(mode);
    dlg->DoModal();
    return dlg->RowsCopiedBack();
}

} // namespace

void CKestrixDlg::ManageStringsHistory()
{
    // Both lists from the controls, so an export holds what the dialog shows now.
    RebuildHistoryLists();
    const bool copiedBack = RunHistoryManager(m_hWnd, CHistoryDlg::kCommandsMode);
    m_comboStrings.ResetContent();
    const CStringList& list = theApp.m_listStringsHistory;
    // Copied back, the rows stand last first; otherwise the list is in the order shown (its
    // first entry on top), and walking it from the end keeps that order.
    if (copiedBack) {
        for (const CString& text : list)
            AddStringToHistory(text);
    } else {
        for (int i = list.GetCount() - 1; i >= 0; --i)
            AddStringToHistory(list.GetAt(i));
    }
}

void CKestrixDlg::ManageFilesHistory()
{
    RebuildHistoryLists();
    RunHistoryManager(m_hWnd, CHistoryDlg::kFilesMode);
    m_listFiles.DeleteAllItems();
    for (const CString& path : theApp.m_listFilesHistory)
        AddFileToHistory(path);
}
