// Waits that give up on work only when it no longer moves.
#include "progress_wait.h"

namespace test_support {

bool WaitWhileMoving(const std::function<bool()>& done, const std::function<uint64_t()>& progress, DWORD stillMs,
                     const Pause& pause)
{
    constexpr DWORD kLookMs = 10;
    bool looked = false;
    uint64_t last = 0;
    DWORD movedAt = 0;
    while (!done()) {
        const uint64_t now = progress();
        if (!looked || now != last) {
            looked = true;
            last = now;
            movedAt = GetTickCount();
        } else if (GetTickCount() - movedAt >= stillMs) {
            return false;
        }
        if (pause)
            pause(kLookMs);
        else
            Sleep(kLookMs);
    }
    return true;
}

}  // namespace test_support
