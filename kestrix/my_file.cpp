// CMyFile: opening, the framed ".pack" copies of a file to send, and the capture file's
// locked append, recreate and copy.
#include "my_file.h"

#include "core/packet_framing.h"
#include "data_log.h"
#include "error_report.h"
#include "framework/file.h"
#include "messages.h"

#include <array>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kErrorPackFile = 1;       // "Error - Open PP Data Storage File"
constexpr int kErrorMemory = 7;         // "Error - Memory Allocation"
constexpr int kErrorTooLarge = 24;      // "Error - File is too large to transfer"
constexpr DWORD kLotteryPiece = 1024;   // each piece of the file becomes one Lottery packet
constexpr DWORD kCopyChunk = 32768;

// Reads until size bytes are in or the file ends; false on a read error.
bool ReadFully(HANDLE file, unsigned char* buffer, DWORD size, DWORD* got)
{
    *got = 0;
    while (*got < size) {
        DWORD n = 0;
        if (!ReadFile(file, buffer + *got, size - *got, &n, nullptr))
            return false;
        if (n == 0)
            break;
        *got += n;
    }
    return true;
}

// The Kiosk copy holds the file and its worst-case framed copy in memory at once: a size that no
// vector can hold is refused before anything is allocated.
bool KioskCopyFits(DWORD size)
{
    const std::vector<unsigned char> bytes;
    return size <= bytes.max_size() && KioskFrameMaxSize(size) <= bytes.max_size();
}

bool WriteAll(CFile& file, const std::vector<unsigned char>& data)
{
    DWORD done = 0;
    return data.empty() || (file.Write(data.data(), static_cast<DWORD>(data.size()), &done) && done == data.size());
}

} // namespace

CMyFile::CMyFile() : m_hFile(nullptr), m_dwSize(0) {}

CMyFile::~CMyFile()
{
    if (m_hFile != nullptr)
        Close();
}

void CMyFile::CloseLocked()
{
    if (m_hFile != nullptr && m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
    m_hFile = nullptr;
}

void CMyFile::Close()
{
    CLock guard(m_lock);
    CloseLocked();
}

void CMyFile::FailOpen()
{
    CloseLocked();
    m_hFile = INVALID_HANDLE_VALUE;
}

int CMyFile::Open(const CString& name, int mode, int lottery, int kiosk)
{
    CLock guard(m_lock);
    return OpenLocked(name, mode, lottery, kiosk);
}

int CMyFile::OpenLocked(const CString& name, int mode, int lottery, int kiosk)
{
    if (mode == 0 || mode == 1) {
        CloseLocked();
        m_hFile = mode == 0 ? CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr)
                            : CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    const DWORD openError = GetLastError();   // the caller reads it: storing the name may allocate
    m_strName = name;
    if (!IsOpen()) {
        m_hFile = INVALID_HANDLE_VALUE;   // nothing to frame: the caller reports the open failure
        SetLastError(openError);
        return 0;
    }
    if (!TakeSize())
        return 0;
    if (mode == 0 && (lottery == 1 || kiosk == 1)) {
        int made = lottery == 1 ? MakeLotteryPackFile(name) : MakeKioskPackFile(name);
        if (!made || !TakeSize())
            return 0;
    }
    return 1;
}

// Reads the held file's size; a file of 4 GB or more shows error 24. On false no file is held.
bool CMyFile::TakeSize()
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile, &size)) {
        FailOpen();
        return false;
    }
    m_dwSize = static_cast<DWORD>(size.QuadPart);
    if (size.QuadPart > 0xFFFFFFFFll) {
        ShowError(kErrorTooLarge);
        FailOpen();
        return false;
    }
    return true;
}

int CMyFile::MakeLotteryPackFile(const CString& name) { return MakePackFile(name, true); }

int CMyFile::MakeKioskPackFile(const CString& name) { return MakePackFile(name, false); }

// Writes the framed copy of the held file beside it and holds the copy instead. Any failure
// reports it, removes the partial copy and leaves no file held: a file is never sent unframed
// when framing was asked for.
int CMyFile::MakePackFile(const CString& name, bool lottery)
{
    CString packName;
    packName.Format("%s.pack", name.c_str());
    CFile pack;
    if (!pack.Open(packName, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS)) {
        ShowError(kErrorPackFile);
        FailOpen();
        return 0;
    }
    int error = 0;   // catalogue error to show, or -1: a read error the caller reports as an open failure
    if (SetFilePointer(m_hFile, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        error = -1;
    } else if (lottery) {
        std::array<unsigned char, kLotteryPiece> piece;
        std::vector<unsigned char> packet;
        packet.reserve(LotteryFrameMaxSize(kLotteryPiece));
        ULONGLONG framed = 0;
        for (;;) {
            DWORD got = 0;
            if (!ReadFully(m_hFile, piece.data(), kLotteryPiece, &got)) {
                error = -1;
                break;
            }
            if (got == 0)
                break;
            packet.clear();
            FrameLotteryPacket(std::span<const unsigned char>(piece.data(), got), packet);
            // A copy of 4 GB or more could not be sent: stop as soon as it would grow that large.
            framed += packet.size();
            if (framed > 0xFFFFFFFFull) {
                error = kErrorTooLarge;
                break;
            }
            if (!WriteAll(pack, packet)) {
                error = kErrorPackFile;
                break;
            }
        }
    } else if (!KioskCopyFits(m_dwSize)) {
        error = kErrorMemory;
    } else {
        try {
            std::vector<unsigned char> source(m_dwSize);
            std::vector<unsigned char> packet;
            DWORD got = 0;
            if (!ReadFully(m_hFile, source.data(), m_dwSize, &got)) {
                error = -1;
            } else if (got > 0) {
                packet.reserve(KioskFrameMaxSize(got));
                FrameKioskPacket(std::span<const unsigned char>(source.data(), got), packet);
                if (!WriteAll(pack, packet))
                    error = kErrorPackFile;
            }
        } catch (const std::bad_alloc&) {
            error = kErrorMemory;
        } catch (const std::length_error&) {
            error = kErrorMemory;
        }
    }
    pack.Close();
    CloseLocked();
    if (error != 0) {
        DeleteFileA(packName);
        if (error > 0)
            ShowError(error);
        m_hFile = INVALID_HANDLE_VALUE;
        return 0;
    }
    m_hFile = CreateFileA(packName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) {
        ShowError(kErrorPackFile);
        return 0;
    }
    return 1;
}

bool CMyFile::Read(void* buffer, DWORD size, DWORD* done)
{
    CLock guard(m_lock);
    *done = 0;
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return ReadFile(m_hFile, buffer, size, done, nullptr) != FALSE;
}

bool CMyFile::SeekToStart()
{
    CLock guard(m_lock);
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return SetFilePointer(m_hFile, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

bool CMyFile::Append(const void* data, DWORD size)
{
    CLock guard(m_lock);
    return AppendLocked(data, size);
}

bool CMyFile::AppendLocked(const void* data, DWORD size)
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (SetFilePointer(m_hFile, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return false;
    DWORD done = 0;
    if (!WriteFile(m_hFile, data, size, &done, nullptr))
        return false;
    if (done != size) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

int CMyFile::Create(const CString& name)
{
    DWORD error = ERROR_SUCCESS;
    {
        CLock guard(m_lock);
        if (OpenLocked(name, 1, 0, 0)) {
            // Received bytes reach the file from here on: the next failure is a new span to report.
            m_bFailing = false;
            return 1;
        }
        error = GetLastError();
        // Reported even when appends have reported their span already: this failure is the
        // start-up's or the user's own, and from here the received bytes miss the file again.
        m_bFailing = true;
    }
    ReportCaptureFailure(error);
    return 0;
}

int CMyFile::Recreate()
{
    CString name;
    {
        CLock guard(m_lock);
        name = m_strName;
    }
    return Create(name);
}

DWORD CMyFile::CopyTo(const char* destName)
{
    CFile dest;
    if (!dest.Open(destName, GENERIC_WRITE, 0, CREATE_ALWAYS))
        return GetLastError();
    std::vector<unsigned char> chunk;
    try {
        chunk.resize(kCopyChunk);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    // One chunk per lock: the readers' appends go on between chunks and land at the end,
    // which the copy reaches too.
    ULONGLONG offset = 0;
    for (;;) {
        DWORD got = 0;
        {
            CLock guard(m_lock);
            if (!IsOpen())
                return ERROR_INVALID_HANDLE;
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            if (!ReadFile(m_hFile, chunk.data(), kCopyChunk, &got, &at)) {
                DWORD error = GetLastError();
                SetFilePointer(m_hFile, 0, nullptr, FILE_END);
                if (error == ERROR_HANDLE_EOF)
                    break;
                return error;
            }
            SetFilePointer(m_hFile, 0, nullptr, FILE_END);
        }
        if (got == 0)
            break;
        DWORD written = 0;
        if (!dest.Write(chunk.data(), got, &written))
            return GetLastError();
        if (written != got)
            return ERROR_WRITE_FAULT;
        offset += got;
    }
    return ERROR_SUCCESS;
}

void CMyFile::AppendReceived(const void* data, DWORD size)
{
    if (size == 0)
        return;
    bool created = false;
    bool report = false;
    bool recovered = false;
    DWORD error = ERROR_SUCCESS;
    {
        CLock guard(m_lock);
        // No capture file: none asked for, or closed at exit.
        if (m_hFile == nullptr || (m_hFile == INVALID_HANDLE_VALUE && m_strName.IsEmpty()))
            return;
        bool written = true;
        if (m_hFile == INVALID_HANDLE_VALUE) {
            // Its creation failed (at start-up or by Clear Buffer): each append tries it again.
            const CString name = m_strName;
            created = OpenLocked(name, 1, 0, 0) == 1;
            if (!created) {
                error = GetLastError();
                written = false;
            }
        }
        if (written && !AppendLocked(data, size)) {
            error = GetLastError();
            written = false;
        }
        report = !written && !m_bFailing;
        recovered = written && m_bFailing;
        m_bFailing = !written;
    }
    if (report)
        ReportCaptureFailure(error);
    else if (recovered)
        AddEntry(created ? "RX Data Storage File created: received bytes reach it from here on"
                         : "RX Data Storage File written again: received bytes reach it from here on");
}

void CMyFile::ReportCaptureFailure(DWORD error)
{
    HWND wnd = m_hReportWnd.load();
    if (wnd && PostMessageA(wnd, WM_CAPTURE_FAILED, error, 0))
        return;
    // No window to report to (none yet, or gone at the way out while a receiver still runs): the
    // log only. A box here could stand on a receiver's thread and hold up the exit.
    LogError(kErrorCaptureFile);
    LogSystemError(error);
}
