// Tasquel's one export: the factory of parallel transport objects.
#include "parallel_info.h"
#include <new>

namespace {
CCommInfo* g_pLastInfo;  // the most recent object made; kept for debugging only
}

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    // No exception may leave the library: out of memory answers NULL.
    CParallelInfo* info = nullptr;
    try {
        info = new CParallelInfo(isWinNT);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    info->SetNotifyWindow(notifyWnd);
    g_pLastInfo = info;
    return info;
}
