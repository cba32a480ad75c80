// Ticker: a callback every few milliseconds on the event loop, from a timerfd. It paces the
// readers a test slows down (TCP SLOW, PTY SLOW).
#pragma once
#include "reactor.h"
#include <chrono>
#include <cstddef>
#include <functional>

namespace vprinter {

class Ticker {
public:
    static constexpr std::chrono::milliseconds kPeriod{10};

    // Ticks until destroyed; Ok() is false (errno set) when the system gave no timer.
    Ticker(Reactor& reactor, std::function<void()> onTick);
    ~Ticker();
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

    bool Ok() const { return m_fd >= 0; }

    // What a reader held to bytesPerSecond takes at each tick: never nothing, or it would stop.
    static size_t Share(size_t bytesPerSecond);

private:
    Reactor& m_reactor;
    int m_fd = -1;
};

}  // namespace vprinter
