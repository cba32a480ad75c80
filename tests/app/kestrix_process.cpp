// Runs Kestrix.exe as a separate process for the start-up tests.
#include "kestrix_process.h"

#include <cstdio>
#include <cstring>

namespace {

struct Search {
    DWORD pid;
    HWND found;
    std::vector<std::string>* boxes;
    bool* sawSplash;
};

constexpr int kSplashPictureId = 1086;

BOOL CALLBACK FindBoxText(HWND child, LPARAM param)
{
    if (GetDlgCtrlID(child) != 0xFFFF)
        return TRUE;
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    *reinterpret_cast<std::string*>(param) = text;
    return FALSE;
}

BOOL CALLBACK FindMainWindow(HWND wnd, LPARAM param)
{
    Search* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != s->pid)
        return TRUE;
    char title[128] = {};
    GetWindowTextA(wnd, title, sizeof title);
    if (IsWindowVisible(wnd) && GetDlgItem(wnd, kSplashPictureId))
        *s->sawSplash = true;
    if (strncmp(title, "Kestrix V4.1.4", 14) != 0) {
        // A message box (an OK button and a text) shown by the program: answer it.
        HWND ok = GetDlgItem(wnd, IDOK);
        if (IsWindowVisible(wnd) && ok && s->boxes) {
            std::string text;
            EnumChildWindows(wnd, FindBoxText, reinterpret_cast<LPARAM>(&text));
            s->boxes->push_back(text);
            PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
            Sleep(100);
        }
        return TRUE;
    }
    s->found = wnd;
    return FALSE;
}

} // namespace

KestrixProcess::~KestrixProcess()
{
    if (!m_info.hProcess)
        return;
    if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_info.hProcess, 1);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
    CloseHandle(m_info.hProcess);
    CloseHandle(m_info.hThread);
}

bool KestrixProcess::Start(const std::string& arguments)
{
    const std::string& dir = m_folder;
    std::string command = "\"" + dir + "\\Kestrix.exe\"";
    if (!arguments.empty())
        command += " " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                          &m_info) != FALSE;
}

HWND KestrixProcess::WaitForMainWindow(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        Search s{m_info.dwProcessId, nullptr, &m_boxes, &m_sawSplash};
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&s));
        // Enabled: no box of the start-up holds it, so a close posted now is not dropped.
        if (s.found && IsWindowVisible(s.found) && IsWindowEnabled(s.found)) {
            m_window = s.found;
            return m_window;
        }
        if (WaitForSingleObject(m_info.hProcess, 20) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

bool KestrixProcess::CloseBySystemMenu(DWORD timeoutMs)
{
    if (!m_window)
        return false;
    // A close that arrives while a box holds the window is dropped, as a click would be: ask again.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (IsWindow(m_window) && IsWindowEnabled(m_window))
            PostMessageA(m_window, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (WaitForExit(2000))
            return true;
    }
    return false;
}

bool KestrixProcess::WaitForExit(DWORD timeoutMs)
{
    if (!m_info.hProcess)
        return false;
    // Boxes the program shows on its way out (a failed port, a refused action) are answered too.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (WaitForSingleObject(m_info.hProcess, 50) == WAIT_OBJECT_0)
            return true;
        Search s{m_info.dwProcessId, nullptr, &m_boxes, &m_sawSplash};
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&s));
    }
    return WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0;
}

DWORD KestrixProcess::ExitCode() const
{
    DWORD code = 0;
    if (!m_info.hProcess || !GetExitCodeProcess(m_info.hProcess, &code))
        return 0xFFFFFFFF;
    return code;
}
