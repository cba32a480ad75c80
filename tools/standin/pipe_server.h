// PipeServer: the stand-in's named pipes. It listens on ns\control, serves each connection's
// requests (List, Open, Control, Command) on a thread of its own, and gives each opened handle a
// data pipe ns\data-<n> that the handle's device serves.
#pragma once
#include <windows.h>

#include "standin_device.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace standin {

class PipeServer {
public:
    PipeServer(std::string ns, std::vector<StandinDevice*> devices);
    ~PipeServer();

    // Serves until a Command "QUIT" arrives or stop is set; false when the pipe cannot be made.
    bool Run(HANDLE stop);

private:
    // One open of a device by a control connection; closedByClient is set when the client ended
    // the connection while the device was still there (it closed the handle).
    struct OpenHandle {
        std::shared_ptr<DeviceHandle> device;
        std::shared_ptr<std::atomic<bool>> closedByClient;
    };

    void ServeControl(HANDLE pipe);
    Reply Handle(const Request& request, OpenHandle& handle);
    Reply OpenDevice(const std::string& path, OpenHandle& handle);
    std::string Command(const std::string& text);
    // The data pipe of a handle the client closed but still holds (its driver access keeps the
    // value): each read or write that reaches it is counted until the client lets it go.
    void WatchClosedHandle(HANDLE pipe);

    std::string m_ns;
    std::vector<StandinDevice*> m_devices;
    HANDLE m_quit;                     // manual-reset: set by QUIT
    std::atomic<unsigned> m_nextData{1};
    std::atomic<unsigned> m_staleRequests{0};   // requests a client made to a handle it had closed, of
                                                // every open counted on its own
};

}  // namespace standin
