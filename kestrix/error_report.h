// Error reporting: catalogue errors shown in a box and logged, system errors logged only.
// The texts come from the message catalogue through the two functions its binding stores.
#pragma once
#include <windows.h>

#include "catalogue/catalogue.h"
#include "comm_info.h"

typedef ThesGetTextFn PFN_ErrorGetText;

// Bound by the catalogue binding before any worker thread starts; null while no catalogue is
// loaded (catalogue errors are then silent).
extern PFN_ErrorGetText g_pfnErrorGetText;
extern PFN_ErrorGetText g_pfnCommErrorGetText;

// Message box and log entry with the catalogue's error text for id. Callable from any thread:
// on a worker thread the box belongs to no window and that thread waits until it is closed.
void ShowError(int id);
// The log entry of ShowError without its box: for a report that has no window to stand on.
void LogError(int id);
// Message box and log entry with the catalogue's communication error text; ids 1 and 10 are
// completed from args (port name, detail), whose missing record gives empty fields.
void ShowCommError(int id, const CommErrorArgs* args);
// Log entry "System Error 0x%X - Description : %s" with the system's text for code. No box.
void LogSystemError(DWORD code);

// A box with a fixed text (OK button only), logged like every box of the program.
void ReportBox(const char* text);

// A log line without a box (a stored or given value ignored, for instance): written at once, or
// kept for LogEarlyReports while the session log does not exist yet.
void LogNote(const char* text);

// Log lines of reports made before the session log exists (the catalogue binding, settings and
// command-line values ignored at start-up) are kept, at most this many, and written by
// LogEarlyReports once the log is open.
constexpr int kMaxEarlyReports = 32;
void LogEarlyReports();

// The text of communication error id: pattern is the catalogue's text; for ids 1 and 10 its
// "%s" fields take portName and detail (null gives an empty field). A pattern holding any other
// conversion is shown as it stands, never used as a format. Cut to capacity (terminator included).
void FormatCommErrorText(char* out, std::size_t capacity, int id, const char* pattern, const char* portName,
                         const char* detail);
