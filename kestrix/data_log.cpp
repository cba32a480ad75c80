// The session log: entries go into a locked memory text; a writer thread appends it to the
// HTML file once a second (or sooner when much is pending); the destructor writes the rest.
#include "data_log.h"

#include "core/hex_dump.h"
#include "core/log_entry.h"
#include "framework/message_box.h"

#include <cstdio>
#include <new>
#include <vector>

namespace {

LogTime ToLogTime(const SYSTEMTIME& st)
{
    return LogTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

// The session log's readers and its deletion: AddEntry takes it shared, CloseSessionLog exclusive.
SRWLOCK g_logPointerLock = SRWLOCK_INIT;

} // namespace

CDataLog* g_pLog = nullptr;

CDataLog::CDataLog(CString fileName)
    : m_hFile(CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr))
{
    GetLocalTime(&m_stStart);
    // Like every box of the program, these two are logged too: into this log, once it can take text.
    std::vector<const char*> boxes;
    LARGE_INTEGER value;
    if (QueryPerformanceCounter(&value))
        m_llStart = m_llMark = value.QuadPart;
    else
        boxes.push_back("error get timer");
    if (QueryPerformanceFrequency(&value) && value.QuadPart != 0)
        m_llFrequency = value.QuadPart;
    else
        boxes.push_back("error get freq");
    for (const char* text : boxes)
        ShowMessageBox(nullptr, text, "Kestrix", MB_OK);

    try {
        m_pending.reserve(kBufferSize);
        m_pending = LogHeader(GetCurrentProcessId());
    } catch (const std::bad_alloc&) {
        return; // no buffer: the log stays silent
    }
    g_LogStopEvent.Reset();
    if (!m_writer.Start(&CDataLog::LogWriterThread, this, THREAD_PRIORITY_NORMAL)) {
        // Without its writer each entry is written by the thread that adds it, and the log says why.
        char line[128];
        snprintf(line, sizeof line, "Error - Log writer thread not started: System Error 0x%X",
                 static_cast<unsigned>(GetLastError()));
        m_bNoWriter = true;
        AddEntry(line, nullptr, 0);
    }
    for (const char* text : boxes)
        AddEntry(text, nullptr, 0);
}

CDataLog::~CDataLog()
{
    g_LogStopEvent.Set();
    if (m_writer.Handle())
        m_writer.Join();
    Flush();
    if (m_hFile != INVALID_HANDLE_VALUE) {
        std::string_view footer = LogFooter();
        DWORD done = 0;
        if (!WriteFile(m_hFile, footer.data(), static_cast<DWORD>(footer.size()), &done, nullptr))
            OutputDebugStringA("**  Log footer not written\r\n");
        CloseHandle(m_hFile);
    }
}

unsigned CDataLog::LogWriterThread(void* param)
{
    CDataLog* log = static_cast<CDataLog*>(param);
    if (log->m_hFile == INVALID_HANDLE_VALUE) {
        OutputDebugStringA("**  Thread Log failed\r\n");
        return 0;
    }
    OutputDebugStringA("**  Thread Log started\r\n");
    HANDLE waits[2] = {g_LogStopEvent.Handle(), log->m_evFlush.Handle()};
    for (;;) {
        DWORD w = WaitForMultipleObjects(2, waits, FALSE, 1000);
        if (w != WAIT_TIMEOUT && w != WAIT_OBJECT_0 + 1)
            break;
        log->Flush();
    }
    OutputDebugStringA("** Thread Log stopped\r\n");
    return 1;
}

bool CDataLog::Flush()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return false;
    // The file lock is taken first and held while writing, so two flushes keep the text's order.
    CLock fileGuard(m_fileLock);
    std::string text;
    {
        CLock textGuard(m_textLock);
        text.swap(m_pending);
    }
    if (text.empty())
        return true;
    DWORD done = 0;
    if (SetFilePointer(m_hFile, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER ||
        !WriteFile(m_hFile, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) || done != text.size()) {
        OutputDebugStringA("**  Thread Log write failed\r\n");
        // Keep what was not written, ahead of what came meanwhile, for the next attempt.
        CLock textGuard(m_textLock);
        text.erase(0, done);
        m_pending.insert(0, text);
        m_dwWritten += done;
        return false;
    }
    m_dwWritten += done;
    return true;
}

void CDataLog::RequestFlush()
{
    if (m_pending.size() >= kBufferSize)
        m_evFlush.Set();
}

LogTime CDataLog::Now()
{
    LARGE_INTEGER now;
    LONGLONG elapsed = 0;
    if (m_llFrequency != 0 && QueryPerformanceCounter(&now) && now.QuadPart > m_llStart)
        elapsed = (now.QuadPart - m_llStart) / m_llFrequency * 1000 +
                  (now.QuadPart - m_llStart) % m_llFrequency * 1000 / m_llFrequency;
    return AdvanceLogTime(ToLogTime(m_stStart), static_cast<std::uint64_t>(elapsed));
}

int CDataLog::GetLogTime(SYSTEMTIME* time)
{
    LogTime t = Now();
    *time = SYSTEMTIME{};
    time->wYear = static_cast<WORD>(t.year);
    time->wMonth = static_cast<WORD>(t.month);
    time->wDay = static_cast<WORD>(t.day);
    time->wDayOfWeek = static_cast<WORD>(DayOfWeek(t.year, t.month, t.day));
    time->wHour = static_cast<WORD>(t.hour);
    time->wMinute = static_cast<WORD>(t.minute);
    time->wSecond = static_cast<WORD>(t.second);
    time->wMilliseconds = static_cast<WORD>(t.millisecond);
    return 1;
}

int CDataLog::AddText(const char* text, int level)
{
    {
        CLock guard(m_textLock);
        if (m_pending.size() >= kMaxPending)
            return 0;
        try {
            AppendLogText(m_pending, text ? text : "", level);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        RequestFlush();
    }
    FlushWithoutWriter();
    return 1;
}

int CDataLog::AddEntry(const char* text, const void* data, int size)
{
    try {
        std::string dump;
        if (data != nullptr && size > 0)
            HexDump(0, 1, 1, 0, dump, data, static_cast<size_t>(size));
        // Time and text are taken under one lock so entries are in time order whatever the thread.
        CLock guard(m_textLock);
        LogTime now = Now();
        if (m_bFirstEntry) {
            m_previous = now;
            m_bFirstEntry = false;
        }
        LogTime since = LogTimeDifference(now, m_previous);
        m_previous = now;
        if (m_pending.size() >= kMaxPending)
            return 1;
        if (text != nullptr)
            AppendLogText(m_pending, LogTimeLine(now, since, text), 3);
        if (!dump.empty())
            AppendLogText(m_pending, dump, 4);
        RequestFlush();
    } catch (const std::bad_alloc&) {
        // The entry is lost; the caller goes on either way.
    }
    FlushWithoutWriter();
    return 1;
}

void CDataLog::FlushWithoutWriter()
{
    // Outside the text lock: a flush takes the file lock first.
    if (m_bNoWriter)
        Flush();
}

int CDataLog::StartTimer()
{
    LARGE_INTEGER now;
    if (!QueryPerformanceCounter(&now))
        return 0;
    m_llMark = now.QuadPart;
    return 1;
}

LONGLONG CDataLog::GetElapsedMs()
{
    LARGE_INTEGER now;
    if (m_llFrequency == 0 || !QueryPerformanceCounter(&now))
        return 0;
    LONGLONG ticks = now.QuadPart - m_llMark;
    return ticks / m_llFrequency * 1000 + ticks % m_llFrequency * 1000 / m_llFrequency;
}

int CDataLog::GetLogFileSize(DWORD* size)
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return 0;
    Flush();
    CLock guard(m_fileLock);
    DWORD s = GetFileSize(m_hFile, nullptr);
    if (s == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return 0;
    *size = s;
    return 1;
}

int CDataLog::ReadLogFile(void* buffer, DWORD length, DWORD* read)
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return 0;
    CLock guard(m_fileLock);
    SetFilePointer(m_hFile, 0, nullptr, FILE_BEGIN);
    BOOL ok = ReadFile(m_hFile, buffer, length, read, nullptr);
    SetFilePointer(m_hFile, 0, nullptr, FILE_END);
    return ok;
}

void OpenSessionLog(const CString& fileName)
{
    // The writers share one auto-reset stop event: a previous log is stopped before the new
    // writer starts, or its stop could wake the new writer and leave its own waited for forever.
    CloseSessionLog();
    CDataLog* log = new CDataLog(fileName);
    AcquireSRWLockExclusive(&g_logPointerLock);
    g_pLog = log;
    ReleaseSRWLockExclusive(&g_logPointerLock);
}

void CloseSessionLog()
{
    AcquireSRWLockExclusive(&g_logPointerLock);
    CDataLog* log = g_pLog;
    g_pLog = nullptr;
    ReleaseSRWLockExclusive(&g_logPointerLock);
    delete log;
}

int AddEntry(const char* text, const void* data, int size)
{
    AcquireSRWLockShared(&g_logPointerLock);
    if (g_pLog != nullptr)
        g_pLog->AddEntry(text, data, size);
    ReleaseSRWLockShared(&g_logPointerLock);
    return 1;
}

CString SessionLogFileName(const CString& directory)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    CString name;
    name.Format("%s\\%s-pid%X-%04d%02d%02d%02d%02d%02d.html", directory.c_str(), "KestrixLog",
                static_cast<unsigned>(GetCurrentProcessId()), t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
    return name;
}
