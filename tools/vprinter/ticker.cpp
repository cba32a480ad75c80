// The slow readers' pace: a periodic timerfd watched by the reactor.
#include "ticker.h"
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace vprinter {

Ticker::Ticker(Reactor& reactor, std::function<void()> onTick) : m_reactor(reactor)
{
    m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0) return;
    itimerspec every{};
    every.it_interval.tv_nsec = std::chrono::nanoseconds(kPeriod).count();
    every.it_value = every.it_interval;
    timerfd_settime(m_fd, 0, &every, nullptr);
    m_reactor.Watch(m_fd, POLLIN, [this, onTick = std::move(onTick)](short) {
        uint64_t expirations;
        if (read(m_fd, &expirations, sizeof expirations) > 0) onTick();
    });
}

Ticker::~Ticker()
{
    if (m_fd < 0) return;
    m_reactor.Unwatch(m_fd);
    close(m_fd);
}

size_t Ticker::Share(size_t bytesPerSecond)
{
    size_t share = bytesPerSecond * kPeriod.count() / 1000;
    return share ? share : 1;
}

}  // namespace vprinter
