// The stand-in driver program: models a printer's USB device or parallel port behind named pipes
// and carries its data to and from the virtual printer.
//   standin --pipe \\.\pipe\NAME [--usb] [--parallel] --printer HOST:MAIN,RT,USM [--lifetime S]
// It serves until a client sends QUIT or the lifetime (default 900 s) ends.
#include "printer_bridge.h"   // first: winsock2.h before windows.h
#include "parallel_port_device.h"
#include "pipe_server.h"
#include "usb_printer_device.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void Usage()
{
    std::fprintf(stderr,
                 "usage: standin --pipe \\\\.\\pipe\\NAME [--usb] [--parallel] --printer HOST:MAIN,RT,USM "
                 "[--lifetime S]\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string ns;
    std::string printer;
    bool usb = false;
    bool parallel = false;
    unsigned lifetimeS = 900;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--pipe" && hasValue) {
            ns = argv[++i];
        } else if (arg == "--printer" && hasValue) {
            printer = argv[++i];
        } else if (arg == "--lifetime" && hasValue) {
            lifetimeS = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--usb") {
            usb = true;
        } else if (arg == "--parallel") {
            parallel = true;
        } else {
            Usage();
            return 2;
        }
    }
    if (ns.empty() || printer.empty() || !(usb || parallel)) {
        Usage();
        return 2;
    }

    standin::PrinterBridge bridge;
    std::string error;
    if (!bridge.Connect(printer, error)) {
        std::fprintf(stderr, "standin: %s\n", error.c_str());
        return 1;
    }
    std::vector<std::unique_ptr<standin::StandinDevice>> devices;
    if (usb) devices.push_back(std::make_unique<standin::UsbPrinterDevice>(bridge));
    if (parallel) devices.push_back(std::make_unique<standin::ParallelPortDevice>(bridge));
    std::vector<standin::StandinDevice*> served;
    for (auto& d : devices) served.push_back(d.get());

    // The lifetime ends a stand-in that its test left behind.
    HANDLE stop = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(lifetimeS) * 10000000LL;
    SetWaitableTimer(stop, &due, 0, nullptr, nullptr, FALSE);

    standin::PipeServer server(ns, served);
    std::fprintf(stderr, "standin: serving %s\n", ns.c_str());
    bool ok = server.Run(stop);
    if (!ok) std::fprintf(stderr, "standin: cannot create the pipes of %s (%lu)\n", ns.c_str(), GetLastError());
    std::fflush(stderr);
    // Threads of open handles may still be waiting: leave without waiting for them.
    ExitProcess(ok ? 0 : 1);
}
