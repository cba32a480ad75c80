// CKestrixApp: the application object. Runs the main dialog between reading the settings and
// writing them back, knows the Windows version and the program's folder, holds the two histories.
#pragma once
#include <windows.h>

#include "framework/app.h"
#include "framework/string.h"
#include "framework/string_list.h"

#include "os_version.h"
#include "settings.h"

class CKestrixDlg;

class CKestrixApp : public CApp {
public:
    CKestrixApp();
    ~CKestrixApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Reads the running system's version; 0 when neither version query answered (fields unchanged).
    int DetectOsVersion();
    // Sets the OS text and the three flags from a version record.
    int DetectOsVersion(const OSVERSIONINFOA& record);
    int IsUsbCapableOs() const { return m_bUsbCapableOs; }
    int IsParallelCapableOs() const { return m_bParallelCapableOs; }
    int IsWinNT() const { return m_bNtFamily; }
    CString GetOsVersionText() const { return m_strOsVersion; }

    // Every registry setting into and out of the dialog, its port pages and this object.
    void LoadSettings(CKestrixDlg& dlg);
    void SaveSettings(CKestrixDlg& dlg);
    SettingsView MakeSettingsView(CKestrixDlg& dlg);

    // The folder of the module's path (without the last backslash); empty when the path has none.
    static CString ExeDirOf(const char* modulePath);

    CStringList m_listFilesHistory{10};    // oldest first (the bottom row of the file list)
    CStringList m_listStringsHistory{10};  // newest first, in the current entry format
    int m_nFilesHistoryCount = 0;
    int m_nStringsHistoryCount = 0;
    CString m_strExeDir;
    int m_bUsbCapableOs = 0;
    int m_bParallelCapableOs = 0;
    CString m_strOsVersion;
    int m_bNtFamily = 0;
    // A worker thread would not end when the dialog closed: what it may use is never freed, and
    // the program ends without its clean-up.
    bool m_bWorkerOutlived = false;
};

extern CKestrixApp theApp;
