// The event loop: poll() over the front ends' descriptors, waking for the model's due sends.
#include "reactor.h"
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <vector>

namespace vprinter {
namespace {

volatile sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int) { g_stopSignal = 1; }

}  // namespace

void InstallStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: poll must return EINTR
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void Reactor::Watch(int fd, short events, Callback callback) { m_watches[fd] = Watch_{events, std::move(callback)}; }

void Reactor::SetEvents(int fd, short events)
{
    auto watch = m_watches.find(fd);
    if (watch != m_watches.end()) watch->second.events = events;
}

void Reactor::Unwatch(int fd) { m_watches.erase(fd); }

int Reactor::Run(Clock::time_point deadline)
{
    std::vector<pollfd> fds;
    while (!m_stop && !g_stopSignal) {
        Clock::time_point now = Clock::now();
        if (now >= deadline) break;
        m_model.RunDue(now);
        Clock::time_point wake = std::min(deadline, m_model.NextDue().value_or(deadline));
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
        int timeout = static_cast<int>(std::clamp<long long>(wait + 1, 0, 1000));

        fds.clear();
        for (const auto& [fd, watch] : m_watches) fds.push_back(pollfd{fd, watch.events, 0});
        int ready = poll(fds.data(), fds.size(), timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        for (const pollfd& p : fds) {
            if (!p.revents) continue;
            // A callback may unwatch descriptors, its own included: look each one up again.
            auto watch = m_watches.find(p.fd);
            if (watch == m_watches.end()) continue;
            Callback callback = watch->second.callback;
            callback(p.revents);
            if (m_stop) break;
        }
    }
    m_model.RunDue(Clock::now());
    return 0;
}

}  // namespace vprinter
