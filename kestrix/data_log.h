// CDataLog: the session log, an HTML file that a writer thread fills once a second from the text
// every thread adds; g_pLog and AddEntry, the one logging call of the program.
#pragma once
#include <windows.h>

#include <string>

#include "core/log_clock.h"
#include "framework/critical_section.h"
#include "framework/event.h"
#include "framework/string.h"
#include "framework/thread.h"

// Stops the log writer (auto-reset, not signalled; one of the program's global objects).
extern CEvent g_LogStopEvent;

class CDataLog {
public:
    // Creates (replaces) the file and starts the writer; a file that cannot be created leaves
    // the log silent (the writer ends at once) without a report.
    explicit CDataLog(CString fileName);
    // Stops the writer, writes the rest and the footer, closes the file.
    virtual ~CDataLog();
    CDataLog(const CDataLog&) = delete;
    CDataLog& operator=(const CDataLog&) = delete;

    // One entry: the time line with text (none when text is null), then the dump of data
    // (none when size is 0). Callable from any thread; returns 1.
    int AddEntry(const char* text, const void* data, int size);
    // Appends text, wrapped in <hN> for level 1-4; 0 when the text cannot be kept.
    int AddText(const char* text, int level);
    // The current local time as the log counts it (the performance counter advances it); 1.
    int GetLogTime(SYSTEMTIME* time);
    // Marks the counter for GetElapsedMs; 0 when the counter cannot be read.
    int StartTimer();
    LONGLONG GetElapsedMs();
    // The file's size after the pending text has been written; 0 on failure.
    int GetLogFileSize(DWORD* size);
    // Reads from the start of the file; the writer's appends are not disturbed. 0 without a file.
    int ReadLogFile(void* buffer, DWORD length, DWORD* read);

    static unsigned LogWriterThread(void* log);

private:
    LogTime Now();
    void RequestFlush();
    bool Flush();
    void FlushWithoutWriter();

    // The pending text the writer flushes early once it holds this much.
    static constexpr size_t kBufferSize = 100000;
    // Beyond this (a file that cannot be written) further text is refused.
    static constexpr size_t kMaxPending = 16u << 20;

    HANDLE m_hFile;
    CCriticalSection m_textLock;     // m_pending, the entry times
    CCriticalSection m_fileLock;     // the file position: writer, destructor, ReadLogFile
    std::string m_pending;
    DWORD m_dwWritten = 0;
    LONGLONG m_llStart = 0;
    LONGLONG m_llMark = 0;
    LONGLONG m_llFrequency = 0;
    SYSTEMTIME m_stStart{};
    LogTime m_previous;
    bool m_bFirstEntry = true;
    CEvent m_evFlush;                // auto-reset: wakes the writer before its second is up
    CThread m_writer;
    bool m_bNoWriter = false;        // the writer did not start: each entry is written as it is added
};

// The session's log, made by OpenSessionLog and deleted by CloseSessionLog (never directly,
// so no thread can log into a log being deleted).
extern CDataLog* g_pLog;

void OpenSessionLog(const CString& fileName);
void CloseSessionLog();

// Logs through g_pLog; nothing happens when there is no log. Returns 1.
int AddEntry(const char* text, const void* data = nullptr, int size = 0);

// "%s\\KestrixLog-pid%X-%04d%02d%02d%02d%02d%02d.html" for the directory and the local time now.
CString SessionLogFileName(const CString& directory);
