// Vorbeck's one export: the factory of serial transport objects.
#include "serial_info.h"
#include <new>

namespace {
CCommInfo* g_pLastInfo;  // the most recent object made; kept for debugging only
}

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    // No exception may leave the library: out of memory answers NULL.
    CSerialInfo* info = nullptr;
    try {
        info = new CSerialInfo(isWinNT);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    info->SetNotifyWindow(notifyWnd);
    g_pLastInfo = info;
    return info;
}
