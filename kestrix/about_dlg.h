// CAboutDlg: the About box of the system menu, with the program's version and build.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "framework/string.h"

class CAboutDlg : public CDialog {
public:
    // The main dialog as owner stays disabled while the box is up.
    explicit CAboutDlg(HWND owner = nullptr);
    ~CAboutDlg() override;

    const MessageMap* GetMessageMap() const override;
    BOOL OnInitDialog() override;

    // "Kestrix V4.1.4  Build 63": the text of control 1085.
    static CString VersionText();
};
