// CAboutDlg: template 100; the version line is set at run time.
#include "about_dlg.h"

#include "res/resource.h"
#include "version.h"

CAboutDlg::CAboutDlg(HWND owner) : CDialog(IDD_ABOUTBOX, owner) {}

CAboutDlg::~CAboutDlg() = default;

const MessageMap* CAboutDlg::GetMessageMap() const
{
    static const MessageMap map{{}, CDialog::GetMessageMap()};
    return &map;
}

CString CAboutDlg::VersionText()
{
    CString text;
    text.Format("Kestrix V%d.%d.%d  Build %d", kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild);
    return text;
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_ABOUT_VERSION, VersionText());
    return TRUE;
}
