// CDialog: a dialog from a resource template, modal (our own loop, so PreTranslateMessage sees every
// message first) or modeless as a child inside another dialog. Include as "framework/dialog.h".
#pragma once

#include <windows.h>

#include <memory>

#include "framework/message_map.h"
#include "framework/window.h"

class CDataExchange;
class CToolTip;

class CDialog : public CWindow {
public:
    explicit CDialog(UINT templateId = 0, HWND parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the window, disables the owner, runs the loop until EndDialog and destroys the window
    // (through the virtual DestroyWindow). Returns EndDialog's value, or -1 when the window could not be made.
    INT_PTR DoModal();
    // A modeless dialog, normally a child living inside another dialog. False when it could not be made.
    bool Create(UINT templateId, HWND parent);
    // Ends the modal loop with this result; a modeless dialog is destroyed.
    void EndDialog(int result);
    bool IsModal() const { return m_modalRunning; }

    // Moves the members into the controls (false) or the controls into the members (true). Returns false
    // when a value was refused; the member keeps its value and the control has the focus then.
    // While it runs, notifications that the exchange itself causes (EN_CHANGE, CBN_SELCHANGE...) reach no handler.
    bool UpdateData(bool saveAndValidate = true);
    bool IsExchanging() const { return m_exchanging; }

    // Tooltips for every child control, static and disabled ones included. The text is asked for through
    // TTN_NEEDTEXTA/TTN_NEEDTEXTW notifications, which the dialog answers in its message map. May be called
    // before the window exists (takes effect when it is made) and again later to cover controls made since.
    void EnableToolTips(bool enable = true);
    CToolTip* GetToolTip() const { return m_toolTip.get(); }

    // The dialog object of a window made by this class, or null.
    static CDialog* FromHandle(HWND hwnd);

    virtual BOOL OnInitDialog();                // default: UpdateData(false); TRUE (focus to the first control)
    virtual void DoDataExchange(CDataExchange* pDX) {}
    virtual BOOL PreTranslateMessage(MSG* msg) { return FALSE; } // TRUE: the message is taken, nothing else sees it
    bool DestroyWindow() override;
    virtual void OnOK();                        // default: UpdateData(true), then EndDialog(IDOK) when it succeeded
    virtual void OnCancel();                    // default: EndDialog(IDCANCEL)
    virtual void OnClose();                     // default: EndDialog(IDCANCEL)
    virtual const MessageMap* GetMessageMap() const { return nullptr; }

    UINT GetTemplateId() const { return m_templateId; }

protected:
    // Everything not taken by the message map comes here; true when handled.
    virtual bool OnDefaultMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

private:
    friend class CDataExchange;
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    HWND CreateFromTemplate(UINT templateId, HWND parent);

    UINT m_templateId;
    HWND m_parent;
    bool m_modalRunning = false;
    INT_PTR m_modalResult = -1;
    bool m_exchanging = false;
    bool m_toolTipsWanted = false;
    std::unique_ptr<CToolTip> m_toolTip;
};
