// The main window's stored placement: only a record of the right size is used, and the window
// keeps its own size at the stored position.
#include "window_placement.h"

#include <cstring>

bool PlacementWithSize(const std::vector<BYTE>& stored, int width, int height, WINDOWPLACEMENT& placement)
{
    static_assert(sizeof(WINDOWPLACEMENT) == 44, "the profile holds 44-byte records");
    if (stored.size() != sizeof placement)
        return false;
    std::memcpy(&placement, stored.data(), sizeof placement);
    placement.length = sizeof placement;
    placement.rcNormalPosition.right = placement.rcNormalPosition.left + width;
    placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + height;
    return true;
}
