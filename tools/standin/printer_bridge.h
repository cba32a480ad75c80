// PrinterBridge: the stand-in's link to the virtual printer's three TCP channels (main, real time,
// USM). Bytes a device sends to the printer go out at once; bytes the printer sends wait in a
// queue per channel until the device's host side takes them, as a device buffers its IN data.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace standin {

enum class PrinterChannel : int { Main = 0, RealTime = 1, Usm = 2 };
constexpr int kPrinterChannels = 3;

class PrinterBridge {
public:
    PrinterBridge();
    ~PrinterBridge();
    PrinterBridge(const PrinterBridge&) = delete;
    PrinterBridge& operator=(const PrinterBridge&) = delete;

    // Connects to host's three ports ("HOST:MAIN,RT,USM"); false with a message in error.
    bool Connect(const std::string& where, std::string& error);

    // Sends to the printer; false when the channel is down.
    bool Send(PrinterChannel channel, const void* data, size_t length);
    // Waits until the printer has sent something on channel, stop is set, or timeoutMs passed;
    // true when bytes wait.
    bool WaitIncoming(PrinterChannel channel, HANDLE stop, DWORD timeoutMs);
    // Copies up to max waiting bytes without taking them.
    std::vector<uint8_t> PeekIncoming(PrinterChannel channel, size_t max);
    // Takes count bytes (after they were delivered).
    void ConsumeIncoming(PrinterChannel channel, size_t count);

private:
    struct Link {
        SOCKET socket = INVALID_SOCKET;
        std::mutex lock;               // guards incoming
        std::mutex sendLock;           // one sender at a time, so writes never interleave
        std::deque<uint8_t> incoming;
        HANDLE hasIncoming = nullptr;  // manual-reset: set while incoming is not empty
        std::thread receiver;
    };
    void Receive(Link& link);

    Link m_links[kPrinterChannels];
    bool m_started = false;
};

}  // namespace standin
