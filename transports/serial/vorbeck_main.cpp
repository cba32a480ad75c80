// Vorbeck's one export: the factory of serial transport objects.
#include "serial_info.h"

#include "comm_info_factory.h"

namespace {
CCommInfo* g_pLastInfo = nullptr;  // the most recent object made; kept for debugging only
}

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    CCommInfo* info = NewCommInfo<CSerialInfo>(notifyWnd, isWinNT);
    if (info)
        g_pLastInfo = info;
    return info;
}
