// Finding and reaching the virtual printer from a test under Wine.
#include "fixture_printer.h"

#include <algorithm>
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
                                                       uint64_t length, DWORD timeoutMs)
{
    std::optional<vprinter::ReceivedSummary> received;
    const DWORD start = GetTickCount();
    do {
        received = printer.Received(channel);
        if (!received || received->length >= length) break;
        Sleep(10);
    } while (GetTickCount() - start < timeoutMs);
    return received;
}

bool WaitReceived(vprinter::VPrinterClient& printer, const char* channel, uint64_t length, DWORD timeoutMs)
{
    const auto received = AwaitReceived(printer, channel, length, timeoutMs);
    return received && received->length >= length;
}

}  // namespace test_support
