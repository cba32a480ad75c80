// CMyFile: one file held open by its handle with its size and name: the file to send (or its
// Lottery/Kiosk framed ".pack" copy) and the capture file of received data.
#pragma once
#include <windows.h>

#include "framework/critical_section.h"
#include "framework/string.h"

#include <atomic>

class CMyFile {
public:
    CMyFile();
    virtual ~CMyFile();
    CMyFile(const CMyFile&) = delete;
    CMyFile& operator=(const CMyFile&) = delete;

    // mode 0: open an existing file for reading (reads shared); mode 1: create it for reading
    // and writing (not shared, replacing); other modes keep the current handle. With lottery
    // (or else kiosk) set, a read file is replaced by its framed copy, name + ".pack".
    // Returns 1 when a file is held, else 0 (handle invalid). Errors 1, 7 and 24 are shown
    // here; a file that cannot be opened or read is left to the caller to report.
    int Open(const CString& name, int mode, int lottery, int kiosk);
    void Close();
    HANDLE GetHandle() const { return m_hFile; }
    DWORD GetSize() const { return m_dwSize; }
    const CString& GetName() const { return m_strName; }
    bool IsOpen() const { return m_hFile != nullptr && m_hFile != INVALID_HANDLE_VALUE; }

    // Reads on from the current position; false with GetLastError on failure.
    bool Read(void* buffer, DWORD size, DWORD* done);
    // Back to the start; false with GetLastError on failure (ERROR_INVALID_HANDLE: no file open).
    bool SeekToStart();

    // The capture file's three users, serialised by one lock so no received byte is lost:
    // the reader threads append, Clear Buffer recreates, Save As copies.
    // Append writes all of data at the end; false (GetLastError set) when it could not.
    bool Append(const void* data, DWORD size);
    // Creates the capture file name, empty (mode 1), at start-up. Returns 1 or 0; a failure is
    // always reported, and the appends go on trying to create the file.
    int Create(const CString& name);
    // Creates the held name again, as Create does (Clear Buffer).
    int Recreate();
    // The capture file as the receivers use it: appends data when a file is held, or first tries
    // again to create the file whose creation failed. A failure is reported once for the span of
    // bytes it makes miss the file, and the first append that reaches the file again is logged.
    // A report is error 0 shown and the system error logged by the report window
    // (WM_CAPTURE_FAILED, so no receiver waits in a box); without a window, both go to the log only.
    void AppendReceived(const void* data, DWORD size);
    void SetReportWindow(HWND wnd) { m_hReportWnd.store(wnd); }
    // Copies the whole file to a new file destName (replaced); ERROR_SUCCESS or the system error.
    DWORD CopyTo(const char* destName);

private:
    int OpenLocked(const CString& name, int mode, int lottery, int kiosk);
    void CloseLocked();
    int MakeLotteryPackFile(const CString& name);
    int MakeKioskPackFile(const CString& name);
    int MakePackFile(const CString& name, bool lottery);
    bool TakeSize();
    void FailOpen();
    bool AppendLocked(const void* data, DWORD size);
    void ReportCaptureFailure(DWORD error);

    CCriticalSection m_lock;
    HANDLE m_hFile;      // null: none; INVALID_HANDLE_VALUE: the last open failed
    DWORD m_dwSize;
    CString m_strName;
    std::atomic<HWND> m_hReportWnd{nullptr};
    bool m_bFailing = false;   // the capture file misses received bytes, and that is reported
};

// The file to send or to flash, and the capture file of received data.
extern CMyFile g_SendFile;
extern CMyFile g_RxDataFile;

constexpr int kErrorCaptureFile = 0;   // "Error - Open RX Data Storage File"
