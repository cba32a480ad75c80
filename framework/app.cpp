// CApp: the one application object, its command line, profile and the start-up sequence.
#include "framework/app.h"

#include <commctrl.h>

#include "framework/message_pump.h"

namespace {
CApp* g_app = nullptr;
}

CApp* GetApp()
{
    return g_app;
}

CApp::CApp()
{
    g_app = this;
}

CApp::~CApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CProfile& CApp::GetProfile()
{
    if (!m_profile)
        m_profile = std::make_unique<CProfile>(CProfile::ModuleIniPath(m_hInstance));
    return *m_profile;
}

int CApp::Run()
{
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            m_nExitCode = static_cast<int>(msg.wParam);
            return m_nExitCode;
        }
        if (got == -1)
            return m_nExitCode;
        ProcessMessage(&msg);
    }
}

int CApp::RunApplication(HINSTANCE instance, const char* fullCommandLine)
{
    m_hInstance = instance;
    m_strCommandLine = CommandLineAfterProgram(fullCommandLine);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (InitInstance())
        Run();
    return ExitInstance();
}

CString CommandLineAfterProgram(const char* fullCommandLine)
{
    const char* p = fullCommandLine ? fullCommandLine : "";
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return CString(p);
}
