// BatchRun: Kestrix.exe as a script starts it, watched through its windows and its process.
#include "batch_run.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr const char* kTitlePrefix = "Kestrix V4.1.4";
constexpr DWORD kPollMs = 50;

struct Scan {
    DWORD pid;
    HWND mainWindow = nullptr;
    std::vector<HWND> boxes;
};

BOOL CALLBACK FindWindows(HWND wnd, LPARAM param)
{
    Scan* scan = reinterpret_cast<Scan*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != scan->pid || !IsWindowVisible(wnd))
        return TRUE;
    char title[128] = {};
    GetWindowTextA(wnd, title, sizeof title);
    if (strncmp(title, kTitlePrefix, strlen(kTitlePrefix)) == 0)
        scan->mainWindow = wnd;
    else if (GetDlgItem(wnd, IDOK))
        scan->boxes.push_back(wnd);
    return TRUE;
}

// The text of a message box: its static with id 0xFFFF, asked by message (another process's
// window), as long as it is.
std::string BoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    if (!text)
        return {};
    const LRESULT length = SendMessageA(text, WM_GETTEXTLENGTH, 0, 0);
    std::string result(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(text, WM_GETTEXT, result.size(), reinterpret_cast<LPARAM>(result.data()));
    result.resize(strlen(result.c_str()));
    return result;
}

std::set<DWORD> KestrixPids()
{
    std::set<DWORD> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, "Kestrix.exe") == 0)
            pids.insert(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return pids;
}

// Whether process runs the Kestrix.exe of dir: tests beside this one start their own copies.
bool RunsFrom(HANDLE process, const std::string& dir)
{
    char image[MAX_PATH] = {};
    DWORD length = sizeof image;
    if (!QueryFullProcessImageNameA(process, 0, image, &length))
        return false;
    const std::string own = dir + "\\Kestrix.exe";
    return _stricmp(image, own.c_str()) == 0;
}

bool RunToEnd(const std::string& commandLine, const std::string& dir, DWORD& exitCode, DWORD timeoutMs)
{
    std::string command = commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &info))
        return false;
    const bool ended = WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    GetExitCodeProcess(info.hProcess, &exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ended;
}

} // namespace

BatchRun::~BatchRun()
{
    if (!m_process)
        return;
    // A run that a failed test left behind must not hold the printer, the display or its folder.
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 5000);
    }
    CloseHandle(m_process);
}

bool BatchRun::StartKestrix(const std::string& arguments)
{
    if (!m_folder.Ready())
        return false;
    const std::string& dir = m_folder.Path();
    std::string command = "\"" + dir + "\\Kestrix.exe\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &info))
        return false;
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_pid = info.dwProcessId;
    return true;
}

bool BatchRun::StartThroughLauncher(const std::string& arguments, DWORD& launcherExit)
{
    if (!m_folder.Ready())
        return false;
    const std::string& dir = m_folder.Path();
    const std::set<DWORD> before = KestrixPids();
    if (!RunToEnd("\"" + dir + "\\KestrixCli.exe\" " + arguments, dir, launcherExit, 20000))
        return false;
    // The launcher does not wait for Kestrix: find the one it started among the processes, by its
    // folder, as other tests may start theirs meanwhile.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 20000) {
        for (DWORD pid : KestrixPids()) {
            if (before.count(pid))
                continue;
            HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid);
            if (!process)
                continue;
            if (!RunsFrom(process, dir)) {
                CloseHandle(process);
                continue;
            }
            m_process = process;
            m_pid = pid;
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

void BatchRun::Poll()
{
    Scan scan{m_pid};
    EnumWindows(FindWindows, reinterpret_cast<LPARAM>(&scan));
    if (scan.mainWindow) {
        m_window = scan.mainWindow;
        m_sawWindow = true;
    }
    for (HWND box : scan.boxes) {
        if (std::find(m_answered.begin(), m_answered.end(), box) != m_answered.end() && IsWindow(box))
            continue;
        m_answered.push_back(box);
        m_boxes.push_back(BoxText(box));
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
}

bool BatchRun::FollowUntilExit(DWORD timeoutMs)
{
    if (!m_process)
        return false;
    const DWORD start = GetTickCount();
    for (;;) {
        Poll();
        if (WaitForSingleObject(m_process, kPollMs) == WAIT_OBJECT_0)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
    }
}

HWND BatchRun::WaitForMainWindow(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (m_process && GetTickCount() - start < timeoutMs) {
        Poll();
        if (m_window && IsWindowVisible(m_window))
            return m_window;
        if (WaitForSingleObject(m_process, kPollMs) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

bool BatchRun::CloseAndFollow(DWORD timeoutMs, UINT message, WPARAM wParam)
{
    if (!m_window)
        return false;
    PostMessageA(m_window, message, wParam, 0);
    return FollowUntilExit(timeoutMs);
}

std::vector<std::string> BatchRun::SessionLogs() const
{
    std::vector<std::string> logs;
    char pattern[MAX_PATH] = {};
    snprintf(pattern, sizeof pattern, "%s\\KestrixLog-pid%X-*.html", m_folder.Path().c_str(), static_cast<unsigned>(m_pid));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return logs;
    do {
        logs.push_back(m_folder.Path() + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return logs;
}
