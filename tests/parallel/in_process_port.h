// InProcessPort: a parallel port inside the test process behind the driver seam. The stand-in's own
// port model answers the control requests; the addresses the maker's drivers pass are this
// process's own; the handles are the client ends of named pipes whose server ends the test reads.
#pragma once
#include "driver_access.h"
#include "parallel_port_model.h"
#include <deque>
#include <map>
#include <thread>
#include <string>
#include <vector>

class InProcessPort : public standin::ParallelHost {
public:
    InProcessPort();   // installs itself as the driver access
    ~InProcessPort() override;
    InProcessPort(const InProcessPort&) = delete;
    InProcessPort& operator=(const InProcessPort&) = delete;

    // What reached the port's data pipe of the last handle opened (the system port's writes).
    std::vector<uint8_t> PipeBytes();
    // Requests issued since the last call, as their codes.
    std::vector<uint32_t> TakeCodes();

    standin::ParallelPortModel model;
    std::vector<uint8_t> printed;          // what the maker's drivers wrote
    std::deque<uint8_t> toSend;            // what the printer has for the maker's drivers' reads
    std::vector<std::string> opened;       // device names asked for
    std::vector<uint8_t> lastInput;        // input of the last request
    int openHandles = 0;
    int closes = 0;
    bool failOpen = false;
    // Overlapped requests complete this many ms later, as a driver's pending requests do (-1: at once).
    int pendingMs = -1;

    // standin::ParallelHost
    bool ReadCaller(uint32_t address, void* out, uint32_t length) override;
    bool WriteCaller(uint32_t address, const void* data, uint32_t length) override;
    bool SendToPrinter(const uint8_t* data, size_t length) override;
    size_t TakeFromPrinter(uint8_t* out, size_t max) override;

private:
    static HANDLE Open(const char* path, DWORD access, DWORD share, DWORD creation, DWORD flags);
    static BOOL IoControl(HANDLE device, DWORD code, void* in, DWORD inLength, void* out, DWORD outLength,
                          DWORD* returned, OVERLAPPED* overlapped);
    static BOOL Close(HANDLE device);

    struct OpenHandle {
        standin::ParallelDriver driver;
        HANDLE server;
    };
    std::map<HANDLE, OpenHandle> m_handles;
    HANDLE m_lastServer = nullptr;
    std::vector<HANDLE> m_servers;
    std::vector<uint32_t> m_codes;
    std::vector<std::thread> m_completions;
    standin::DriverAccess m_table;
    static InProcessPort* s_current;
};
