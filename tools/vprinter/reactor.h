// Reactor: the virtual printer's one-thread event loop over poll(), with the model's timers.
#pragma once
#include "printer_model.h"
#include <functional>
#include <map>
#include <poll.h>

namespace vprinter {

class Reactor {
public:
    using Callback = std::function<void(short revents)>;

    explicit Reactor(PrinterModel& model) : m_model(model) {}

    // Calls back when fd reports any of `events` (POLLIN, POLLOUT); one watch per fd.
    void Watch(int fd, short events, Callback callback);
    void SetEvents(int fd, short events);
    void Unwatch(int fd);

    // Runs until Stop(), a termination signal or the deadline (time_point::max(): none).
    // Returns 0, or errno of a failed poll.
    int Run(Clock::time_point deadline);
    void Stop() { m_stop = true; }

private:
    struct Watch_ {
        short events;
        Callback callback;
    };
    PrinterModel& m_model;
    std::map<int, Watch_> m_watches;
    bool m_stop = false;
};

// Makes SIGTERM, SIGINT and SIGHUP end Reactor::Run cleanly; SIGPIPE is ignored.
void InstallStopSignals();

}  // namespace vprinter
