// Runs Kestrix.exe as its own process from a folder of the test's own (test_support::ProgramFolder)
// and finds its main window.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class KestrixProcess {
public:
    // Runs the Kestrix.exe of folder, in that folder.
    explicit KestrixProcess(const std::string& folder) : m_folder(folder) {}
    ~KestrixProcess();
    KestrixProcess(const KestrixProcess&) = delete;
    KestrixProcess& operator=(const KestrixProcess&) = delete;

    // Starts "<folder>\Kestrix.exe <arguments>" in the folder.
    bool Start(const std::string& arguments = "");
    // The process's visible top-level window whose title starts with "Kestrix V4.1.4"; null after
    // timeoutMs. Message boxes met on the way are answered with OK and their texts kept in Boxes().
    HWND WaitForMainWindow(DWORD timeoutMs = 30000);
    const std::vector<std::string>& Boxes() const { return m_boxes; }
    // Whether the splash picture was seen on screen while waiting for the main window.
    bool SawSplash() const { return m_sawSplash; }
    // Posts the system menu's close command (again while it goes unanswered) and waits for the end.
    bool CloseBySystemMenu(DWORD timeoutMs = 30000);
    bool WaitForExit(DWORD timeoutMs);
    DWORD Pid() const { return m_info.dwProcessId; }
    // STILL_ACTIVE while it runs.
    DWORD ExitCode() const;
    HWND Window() const { return m_window; }

private:
    std::string m_folder;
    PROCESS_INFORMATION m_info = {};
    HWND m_window = nullptr;
    std::vector<std::string> m_boxes;
    bool m_sawSplash = false;
};
