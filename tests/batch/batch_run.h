// One batch run of Kestrix.exe followed from outside: started directly or through KestrixCli.exe,
// its message boxes answered and kept, its main window seen, its end awaited. Each run has the
// programs in a folder of its own, so what it leaves there is its own and nothing earlier runs left.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "program_folder.h"

class BatchRun {
public:
    BatchRun() = default;
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // "<folder>\Kestrix.exe <arguments>", run in the run's folder.
    bool StartKestrix(const std::string& arguments);
    // "<folder>\KestrixCli.exe <arguments>" in the run's folder; once the launcher has ended (its
    // exit code in launcherExit), follows the Kestrix.exe it started.
    bool StartThroughLauncher(const std::string& arguments, DWORD& launcherExit);

    // Until Kestrix.exe ends by itself: answers its message boxes with OK (texts kept) and notes
    // its main window. False when it is still running after timeoutMs (it is then left running).
    bool FollowUntilExit(DWORD timeoutMs);
    // Follows the run until its main window is visible; null after timeoutMs or when it ended.
    HWND WaitForMainWindow(DWORD timeoutMs);
    // Closes the main window through its system menu (or the way message and wParam name: WM_CLOSE
    // as the close box, the X key's WM_KEYDOWN), then follows the run to its end.
    bool CloseAndFollow(DWORD timeoutMs, UINT message = WM_SYSCOMMAND, WPARAM wParam = SC_CLOSE);

    const std::vector<std::string>& Boxes() const { return m_boxes; }
    bool SawMainWindow() const { return m_sawWindow; }
    DWORD Pid() const { return m_pid; }
    // The session logs this run left in its folder.
    std::vector<std::string> SessionLogs() const;

private:
    void Poll();

    test_support::ProgramFolder m_folder{"kx_batch_run"};

    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    HWND m_window = nullptr;
    bool m_sawWindow = false;
    std::vector<std::string> m_boxes;
    std::vector<HWND> m_answered;
};
