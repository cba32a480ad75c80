// CApp: the application object. The program defines exactly one (a global derived from CApp); the
// framework's WinMain finds it through GetApp(), runs InitInstance and, when that returns TRUE, a
// message loop; ExitInstance gives the exit code. Include as "framework/app.h".
#pragma once

#include <windows.h>

#include <memory>

#include "framework/profile.h"
#include "framework/string.h"
#include "framework/window.h"

class CApp {
public:
    CApp();
    virtual ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    // The program's start-up; FALSE ends the program without a message loop.
    virtual BOOL InitInstance() { return FALSE; }
    // Clean-up at the end; returns the exit code (that of WM_QUIT when the loop ran, else 0).
    virtual int ExitInstance() { return m_nExitCode; }
    // The loop run when InitInstance returned TRUE: until WM_QUIT.
    virtual int Run();

    HINSTANCE GetInstance() const { return m_hInstance; }
    // The command line after the program's name, leading blanks removed.
    const CString& GetCommandLineText() const { return m_strCommandLine; }
    bool HasCommandLine() const { return !m_strCommandLine.IsEmpty(); }
    // The private profile "<exe dir>\<exe name>.ini".
    CProfile& GetProfile();

    // Called by WinMain (and by tests that drive an application object themselves).
    int RunApplication(HINSTANCE instance, const char* fullCommandLine);

    CWindow* m_pMainWnd = nullptr;

protected:
    int m_nExitCode = 0;

private:
    HINSTANCE m_hInstance = nullptr;
    CString m_strCommandLine;
    std::unique_ptr<CProfile> m_profile;
};

// The one application object, or null when the program made none.
CApp* GetApp();

// The part of a full command line after the program name (quoted or not) and the blanks after it.
CString CommandLineAfterProgram(const char* fullCommandLine);
