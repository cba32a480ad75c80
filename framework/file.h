// CFile: an owned Win32 file handle with its name. Include as "framework/file.h".
#pragma once

#include <windows.h>

#include "framework/string.h"

class CFile {
public:
    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;

    // Closes any open file first. On failure returns false and GetLastError() still tells why.
    bool Open(const char* name, DWORD access, DWORD share, DWORD creation,
              DWORD flags = FILE_ATTRIBUTE_NORMAL);
    // Each returns false with GetLastError set on failure; *done gets the bytes moved.
    bool Read(void* buffer, DWORD size, DWORD* done);
    bool Write(const void* buffer, DWORD size, DWORD* done = nullptr);
    // Moves the file pointer (FILE_BEGIN/FILE_CURRENT/FILE_END); *newPos gets the new position.
    bool Seek(LONGLONG offset, DWORD method, ULONGLONG* newPos = nullptr);
    // The file's size, or -1 (GetLastError set) when it cannot be read.
    LONGLONG GetLength() const;
    bool Flush();
    void Close();

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }
    const CString& GetFileName() const { return m_name; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    CString m_name;
};
