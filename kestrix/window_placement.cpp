// The main window's stored placement: only a record of the right size is used, and the window
// keeps its own size at the stored position.
#include "window_placement.h"

#include <climits>
#include <cstring>

bool PlacementWithSize(const std::vector<BYTE>& stored, int width, int height, WINDOWPLACEMENT& placement)
{
    static_assert(sizeof(WINDOWPLACEMENT) == 44, "the profile holds 44-byte records");
    if (stored.size() != sizeof placement)
        return false;
    std::memcpy(&placement, stored.data(), sizeof placement);
    placement.length = sizeof placement;
    // A stored position so far out that the window's far edge would not fit an int is damage.
    const long long right = static_cast<long long>(placement.rcNormalPosition.left) + width;
    const long long bottom = static_cast<long long>(placement.rcNormalPosition.top) + height;
    if (right > INT_MAX || bottom > INT_MAX)
        return false;
    placement.rcNormalPosition.right = static_cast<LONG>(right);
    placement.rcNormalPosition.bottom = static_cast<LONG>(bottom);
    return true;
}
