// What a report leaves behind, for tests: BoxRecorder takes the place of the message box for a
// scope and records every box, from any thread; SessionLog opens a session log and reads it back.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "data_log.h"
#include "framework/message_box.h"

struct RecordedBox {
    std::string text;
    std::string caption;
    UINT type;
    HWND owner;
    DWORD threadId;
};

class BoxRecorder {
public:
    BoxRecorder()
        : m_scope([this](HWND owner, const char* text, const char* caption, UINT type) {
              std::lock_guard<std::mutex> guard(m_lock);
              m_boxes.push_back({text ? text : "(no text)", caption ? caption : "", type, owner, GetCurrentThreadId()});
              return IDOK;
          })
    {
    }
    std::vector<RecordedBox> Boxes()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_boxes;
    }
    std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        for (const RecordedBox& box : Boxes())
            texts.push_back(box.text);
        return texts;
    }

private:
    std::mutex m_lock;
    std::vector<RecordedBox> m_boxes;
    CMessageBoxSinkScope m_scope;
};

inline std::string ReadFileText(const std::string& name)
{
    std::string s;
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return s;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0)
        s.append(buf, n);
    CloseHandle(h);
    return s;
}

// One session log entry holding exactly text.
inline bool HasLogEntry(const std::string& log, const std::string& text)
{
    return log.find(") : " + text + "</h") != std::string::npos;
}

// A session log in the temporary folder; Close() ends it and returns the file's text.
class SessionLog {
public:
    explicit SessionLog(const char* tag)
    {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        m_name = std::string(dir) + "kx_report_" + tag + "_" + std::to_string(GetCurrentProcessId()) + ".html";
        OpenSessionLog(CString(m_name.c_str()));
    }
    ~SessionLog()
    {
        CloseSessionLog();
        DeleteFileA(m_name.c_str());
    }
    std::string Close()
    {
        CloseSessionLog();
        return ReadFileText(m_name);
    }

private:
    std::string m_name;
};
