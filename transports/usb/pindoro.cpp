// The USB transport library's one export: the factory of its transport object.
#include "usb_info.h"

#include <new>

namespace {
CCommInfo* g_pLastInfo = nullptr;   // the last object made; kept as the other transports keep theirs
}

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    auto* info = new (std::nothrow) CUsbInfo(isWinNT);
    if (!info)
        return nullptr;
    info->SetNotifyWindow(notifyWnd);
    g_pLastInfo = info;
    return info;
}
