// A windowed program on the framework's own WinMain: exits 0 when the application object was started
// with the command line after the program name and without a message loop.
#include "framework/app.h"

namespace {

class CProbeApp : public CApp {
public:
    BOOL InitInstance() override
    {
        m_started = GetApp() == this && GetCommandLineText() == "-M:T file.bin" && GetInstance() != nullptr;
        return FALSE;
    }
    int ExitInstance() override { return m_started ? 0 : 1; }

private:
    bool m_started = false;
};

CProbeApp theApp;

} // namespace
