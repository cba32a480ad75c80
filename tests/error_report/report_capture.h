// What a report leaves behind, for tests: BoxRecorder takes the place of the message box for a
// scope and records every box, from any thread; SessionLog opens a session log and reads it back.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "box_recorder.h"
#include "data_log.h"
#include "whole_file.h"

using test_support::BoxRecorder;
using test_support::RecordedBox;

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
        return test_support::ReadSharedText(m_name);
    }

private:
    std::string m_name;
};
