// Waiting for work whose pace is the machine's (a transfer, a download): a wait fails when the
// work has stopped moving for a while, never after a fixed total, so a slower machine only takes
// longer.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

namespace test_support {

// How long work may show no progress before a wait for it fails.
constexpr DWORD kStillMs = 15000;

// How the time between two looks passes: slept by default; a test that runs a window pumps its
// messages there.
using Pause = std::function<void(DWORD ms)>;

// Looks until done() holds (true), or until progress() has kept one value for stillMs (false).
// done() is asked first at each look, so progress() may read what it found.
bool WaitWhileMoving(const std::function<bool()>& done, const std::function<uint64_t()>& progress,
                     DWORD stillMs = kStillMs, const Pause& pause = nullptr);

}  // namespace test_support
