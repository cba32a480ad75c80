// The file worker's write loop, for the transport tests.
#include "worker_write.h"

namespace test_support {

bool WriteAll(CCommInfo& info, const void* data, size_t length, DWORD chunk)
{
    const auto* p = static_cast<const BYTE*>(data);
    while (length > 0) {
        const DWORD n = length < chunk ? static_cast<DWORD>(length) : chunk;
        DWORD written = 0;
        if (!info.Write(info.m_hCommPortTX, p, n, &written, &info.m_OverlappedTX)) {
            if (GetLastError() != ERROR_IO_PENDING) return false;
            if (!GetOverlappedResult(info.m_hCommPortTX, &info.m_OverlappedTX, &written, TRUE)) return false;
        }
        if (written == 0) return false;
        p += written;
        length -= written;
    }
    return true;
}

}  // namespace test_support
