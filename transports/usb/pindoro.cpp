// The USB transport library's one export: the factory of its transport object.
#include "usb_info.h"

#include "comm_info_factory.h"

namespace {
CCommInfo* g_pLastInfo = nullptr;  // the most recent object made; kept for debugging only
}

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    CCommInfo* info = NewCommInfo<CUsbInfo>(notifyWnd, isWinNT);
    if (info)
        g_pLastInfo = info;
    return info;
}
