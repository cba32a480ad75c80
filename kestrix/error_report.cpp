// ShowError, ShowCommError and LogSystemError: every report goes to the session log; catalogue
// errors are also shown in a box.
#include "error_report.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/append_format.h"
#include "data_log.h"
#include "framework/message_box.h"

PFN_ErrorGetText g_pfnErrorGetText = nullptr;
PFN_ErrorGetText g_pfnCommErrorGetText = nullptr;

namespace {

// Room of a report's text, terminator included.
constexpr std::size_t kReportChars = 512;

std::mutex& EarlyReportsLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<std::string>& EarlyReports()
{
    static std::vector<std::string> reports;
    return reports;
}

// The log line of a report; kept for LogEarlyReports while the session log does not exist yet.
void LogReport(const char* text)
{
    {
        std::lock_guard<std::mutex> guard(EarlyReportsLock());
        // The log is made once on the user-interface thread, before any worker can report.
        if (!g_pLog) {
            if (EarlyReports().size() < static_cast<std::size_t>(kMaxEarlyReports))
                EarlyReports().emplace_back(text);
            return;
        }
    }
    AddEntry(text);
}

// A box on a worker thread belongs to no window: an owner on another thread would tie the two
// threads' input together while the worker waits in the box.
void ShowAndLog(const char* text)
{
    ShowMessageBox(GetActiveWindow(), text, "Kestrix", MB_OK);
    LogReport(text);
}

// True when every conversion of pattern is "%%" or one of at most two "%s".
bool TakesOnlyTwoTexts(const char* pattern)
{
    int texts = 0;
    for (const char* p = pattern; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        if (*p == 's' && ++texts <= 2)
            continue;
        return false;
    }
    return true;
}

} // namespace

void FormatCommErrorText(char* out, std::size_t capacity, int id, const char* pattern, const char* portName,
                         const char* detail)
{
    if (!out || capacity == 0)
        return;
    out[0] = '\0';
    if (!pattern)
        return;
    if ((id == 1 || id == 10) && TakesOnlyTwoTexts(pattern)) {
        // The catalogue's text is the format here, checked above to take only the two texts.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
        AppendFormat(out, capacity, pattern, portName ? portName : "", detail ? detail : "");
#pragma GCC diagnostic pop
        return;
    }
    AppendFormat(out, capacity, "%s", pattern);
}

namespace {

// The catalogue's text of error id into text; false while no catalogue is bound (reports are
// then silent).
bool ErrorText(int id, char (&text)[kReportChars])
{
    const ThesGetTextFn errorText = g_pfnErrorGetText;
    if (!errorText)
        return false;
    text[0] = '\0';
    if (const char* catalogueText = errorText(id))
        AppendFormat(text, sizeof text, "%s", catalogueText);
    else
        AppendFormat(text, sizeof text, "%d", id);   // a catalogue without the text: the number at least
    return true;
}

} // namespace

void ShowError(int id)
{
    char text[kReportChars];
    if (ErrorText(id, text))
        ShowAndLog(text);
}

void LogError(int id)
{
    char text[kReportChars];
    if (ErrorText(id, text))
        LogReport(text);
}

void ShowCommError(int id, const CommErrorArgs* args)
{
    const ThesGetTextFn commErrorText = g_pfnCommErrorGetText;
    if (!commErrorText)
        return;
    // The record lives in the transport library and its texts may fill their arrays unterminated.
    std::string portName, detail;
    if (args) {
        portName.assign(args->portName, strnlen(args->portName, sizeof args->portName));
        detail.assign(args->detail, strnlen(args->detail, sizeof args->detail));
    }
    char text[kReportChars] = {};
    if (const char* pattern = commErrorText(id))
        FormatCommErrorText(text, sizeof text, id, pattern, portName.c_str(), detail.c_str());
    else
        AppendFormat(text, sizeof text, "%d", id);
    ShowAndLog(text);
}

void LogSystemError(DWORD code)
{
    char* description = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&description),
                   0, nullptr);
    std::string text;
    AppendFormat(text, "System Error 0x%X - Description : %s", static_cast<unsigned>(code),
                 description ? description : "");
    if (description)
        LocalFree(description);
    LogReport(text.c_str());
}

void ReportBox(const char* text)
{
    ShowAndLog(text ? text : "");
}

void LogNote(const char* text)
{
    LogReport(text ? text : "");
}

void LogEarlyReports()
{
    std::vector<std::string> reports;
    {
        std::lock_guard<std::mutex> guard(EarlyReportsLock());
        reports.swap(EarlyReports());
    }
    for (const std::string& text : reports)
        AddEntry(text.c_str());
}
