// CPortPageDlg: what the four port settings pages inside the main dialog share: their interface
// number, the way to the main dialog, tooltips from their own tip table, and keeping Enter and
// Escape from closing them.
#pragma once
#include <windows.h>

#include <span>

#include "framework/dialog.h"

#include "tooltips.h"

class CKestrixDlg;

class CPortPageDlg : public CDialog {
public:
    // iface: the main dialog's m_nInterface value of this page (0 serial, 1 USB, 2 parallel, 3 Ethernet).
    // miss: what the tooltip shows for a control the tip table lacks.
    CPortPageDlg(UINT templateId, int iface, std::span<const TipRow> tips, TipMiss miss = TipMiss::Empty);
    ~CPortPageDlg() override;

    const MessageMap* GetMessageMap() const override;
    BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

    // The main dialog's port-properties report (the Info buttons of the parallel and USB pages).
    void OnInfo();
    // Radio clicks of the output channel (USB and Ethernet): ignored while a transfer runs, else the
    // values are taken and the connection follows the new channel.
    void OnSelectChannel();

    char* m_pszTipTextA = nullptr;
    wchar_t* m_pszTipTextW = nullptr;

protected:
    // The main dialog the page lives in; null while the page has no such parent.
    CKestrixDlg* MainDialog() const;
    // The main dialog's chosen interface is this page's.
    bool IsChosenInterface() const;
    // A key-down of Enter or Escape addressed to this page or one of its controls, while it exists.
    bool IsEnterOrEscape(const MSG* msg, bool* enter = nullptr) const;
    // The control id of the focused window, counting the inner windows of a control (the edit of a
    // combo box, the fields of the address control) as that control; 0 when nothing here has the focus.
    int FocusedControlId() const;

private:
    int m_nPageInterface;
    std::span<const TipRow> m_tips;
    TipMiss m_tipMiss;
};
