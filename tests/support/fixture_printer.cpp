// Finding and reaching the virtual printer from a test under Wine.
#include "fixture_printer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace test_support {

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string FixtureFile(const std::string& name)
{
    const char* dir = std::getenv("KX_VPRINTER_DIR");
    return WindowsPath(std::string(dir ? dir : "") + "/" + name);
}

std::string ControlFile(const std::string& port) { return FixtureFile("control-" + port + ".txt"); }

unsigned short ControlPort(const std::string& port)
{
    std::ifstream file(ControlFile(port));
    unsigned long value = 0;
    if (!(file >> value) || value > 65535) return 0;
    return static_cast<unsigned short>(value);
}

bool ConnectBesidePrinter(vprinter::VPrinterClient& printer)
{
    const char* port = std::getenv("KX_VP_CONTROL");
    return port && printer.Connect("127.0.0.1", static_cast<unsigned short>(std::atoi(port)));
}

std::optional<vprinter::ReceivedSummary> AwaitReceived(vprinter::VPrinterClient& printer, const char* channel,
                                                       uint64_t length, DWORD stillMs, const Pause& pause)
{
    std::optional<vprinter::ReceivedSummary> received;
    WaitWhileMoving(
        [&] {
            received = printer.Received(channel);
            return !received || received->length >= length;
        },
        [&] { return received->length; }, stillMs, pause);
    return received;
}

bool WaitReceived(vprinter::VPrinterClient& printer, const char* channel, uint64_t length, DWORD stillMs)
{
    const auto received = AwaitReceived(printer, channel, length, stillMs);
    return received && received->length >= length;
}

bool WaitWhileReceiving(vprinter::VPrinterClient& printer, const char* channel, const std::function<bool()>& done,
                        DWORD stillMs, const Pause& pause)
{
    return WaitWhileMoving(
        done,
        [&] {
            const auto received = printer.Received(channel);
            return received ? received->length : 0;
        },
        stillMs, pause);
}

std::optional<vprinter::ReceivedSummary> SettledReceived(vprinter::VPrinterClient& printer, const char* channel,
                                                         DWORD quietMs)
{
    // Never done: the wait ends when the count has stood still for quietMs.
    return AwaitReceived(printer, channel, UINT64_MAX, quietMs);
}

}  // namespace test_support
