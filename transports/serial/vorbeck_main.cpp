// Vorbeck's one export: the factory of serial transport objects.
#include "serial_info.h"
#include <new>

namespace {
CCommInfo* g_pLastInfo;  // the most recent object made; kept for debugging only
}

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    CSerialInfo* info = new (std::nothrow) CSerialInfo(isWinNT);
    if (!info) return nullptr;
    info->SetNotifyWindow(notifyWnd);
    g_pLastInfo = info;
    return info;
}
