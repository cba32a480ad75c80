// A dialog over the test template that records what reaches its handlers, for the framework's tests.
#pragma once

#include <string>
#include <vector>

#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/ip_address.h"
#include "framework/list_view.h"

#include "test_resource.h"

using EventLog = std::vector<std::string>;

class CTestChildDlg : public CDialog {
public:
    explicit CTestChildDlg(EventLog& log) : m_log(log) {}
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    EventLog& m_log;
};

class CTestDlg : public CDialog {
public:
    explicit CTestDlg(HWND parent = nullptr) : CDialog(IDD_TEST, parent) {}

    const MessageMap* GetMessageMap() const override;
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    void OnOrderFirst() { m_log.push_back("order-first"); }
    void OnOrderSecond() { m_log.push_back("order-second"); }
    void OnRadio(UINT id) { m_log.push_back("radio:" + std::to_string(id)); }
    void OnFill();
    void OnNameChange() { m_log.push_back("name-change"); }
    void OnComboSelChange() { m_log.push_back("combo-selchange"); }
    BOOL OnPassOn(UINT id, NMHDR*, LRESULT*) { m_log.push_back("pass-on:" + std::to_string(id)); return FALSE; }
    void OnListClick(NMHDR*, LRESULT* result) { m_log.push_back("list-click"); *result = 7; }
    void OnListDblclk(NMHDR*, LRESULT*) { m_log.push_back("list-dblclk"); }
    BOOL OnToolTipNotify(UINT id, NMHDR* hdr, LRESULT* result);
    LRESULT OnApp(WPARAM wp, LPARAM) { m_log.push_back("app"); return 42 + static_cast<LRESULT>(wp); }
    void OnCloseMessage() { m_log.push_back("close"); CDialog::OnClose(); }

    EventLog m_log;
    bool m_eatKeys = false;
    bool m_withChild = false;
    CTestChildDlg m_child{m_log};

    CString m_strName;
    unsigned m_nDelay = 0;
    int m_nCount = 1;
    int m_nRadio = -1;
    int m_bCheck = 0;
    int m_nComboList = -1;
    CString m_strComboEdit;
    CListView m_list;
    CIpAddress m_ip;
    char m_tipA[400] = {};
    wchar_t m_tipW[400] = {};
};
