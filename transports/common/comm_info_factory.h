// NewCommInfo: the body of the GetNewInfoPtr factory every transport library exports.
#pragma once
#include <new>

#include "comm_info.h"

// A new Info transport object that notifies notifyWnd, or NULL when memory runs out: no exception
// may leave a transport library, whether from the allocation or from the object's constructor.
template <typename Info>
CCommInfo* NewCommInfo(HWND notifyWnd, int isWinNT)
{
    static_assert(Info::kPropertiesChars < kClientPropertiesChars, "a report must fit the client's text");
    Info* info = nullptr;
    try {
        info = new Info(isWinNT);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    info->SetNotifyWindow(notifyWnd);
    return info;
}
