// CHistoryDlg: the history manager of the system menu. Edits the file history or the string
// ("commands") history in a list, exports both histories to an INI file and imports them again.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "framework/list_view.h"
#include "framework/string.h"

class CHistoryDlg : public CDialog {
public:
    enum { kCommandsMode = 0, kFilesMode = 1 };

    explicit CHistoryDlg(HWND parent = nullptr);
    ~CHistoryDlg() override;

    // 1 files history, 0 commands (data strings) history; set before the dialog runs.
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }
    // Whether the rows were copied back into the application's list (the dialog was closed
    // through WM_CLOSE, not left with Escape).
    bool RowsCopiedBack() const { return m_bRowsCopiedBack; }

    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // WM_CLOSE: the rows become the list of the mode, row 0 put at the head first.
    void OnClose() override;

    void FillList();
    // Puts path on top (an equal row moves there; past 20 rows the 20th goes) with its size and date.
    void AddFileItem(const CString& path);
    void SetFileColumns(int row, const CString& path);
    void OnAdd();
    void OnDelete();
    void EditSelectedItem();
    // The open-file dialog for a row's path; true (and path replaced) when a file was chosen.
    BOOL BrowseForFile(CString& path);
    void OnKeydownList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblclkList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnEndLabelEditList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnSaveAs();
    void OnLoad();
    void ShowTitle(const CString& suffix);

    int m_nMode = kCommandsMode;
    CListView m_listHistory;
    CString m_strTitleBase;
    bool m_bRowsCopiedBack = false;
};
