// vprinter: one virtual printer, driven over a loopback control channel, with its front ends.
//   vprinter --control 127.0.0.1:PORT [--port-file FILE] [--pty-link PATH] [--lifetime SECONDS]
// PORT 0 lets the system pick; --port-file then receives the port actually used (written once
// the printer is ready, so a script can wait for it). --lifetime ends the program after that long
// even if nobody sends QUIT, so a test run that was cut short leaves nothing behind.
#include "control_interpreter.h"
#include "control_server.h"
#include "firmware_protocols.h"
#include "net_front_ends.h"
#include "printer_model.h"
#include "pty_front_end.h"
#include "reactor.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

struct Options {
    std::string host = "127.0.0.1";
    unsigned short port = 0;
    std::string portFile;
    std::string ptyLink;
    bool pty = false;
    long lifetime = 0;
    vprinter::NetworkOptions network;
};

int Usage()
{
    std::fprintf(stderr, "usage: vprinter --control HOST:PORT [--port-file FILE] [--pty] [--pty-link PATH] "
                         "[--lifetime SECONDS] [--tcp HOST:MAIN,RT,USM] [--udp HOST:PORT] [--net-file FILE]\n");
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--control" && hasValue) {
            std::string value = argv[++i];
            size_t colon = value.rfind(':');
            if (colon == std::string::npos) return false;
            options.host = value.substr(0, colon);
            options.port = static_cast<unsigned short>(std::strtoul(value.c_str() + colon + 1, nullptr, 10));
        } else if (arg == "--port-file" && hasValue) {
            options.portFile = argv[++i];
        } else if (arg == "--pty-link" && hasValue) {
            options.ptyLink = argv[++i];
            options.pty = true;
        } else if (arg == "--pty") {
            options.pty = true;
        } else if (arg == "--lifetime" && hasValue) {
            options.lifetime = std::strtol(argv[++i], nullptr, 10);
        } else if (vprinter::ParseNetworkOption(argc, argv, i, options.network)) {
        } else {
            return false;
        }
    }
    return true;
}

// Written beside and renamed, so a reader never sees a half-written file.
bool WritePortFile(const std::string& path, unsigned short port, const std::string& slave)
{
    std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << port << "\n" << getpid() << "\n" << slave << "\n";
        if (!file) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace vprinter;
    Options options;
    if (!ParseOptions(argc, argv, options)) return Usage();
    InstallStopSignals();

    PrinterModel model;
    Reactor reactor(model);
    ControlInterpreter interpreter(model);
    ControlServer server(reactor, interpreter);
    // Answers the firmware download protocols once a test turns it on (FW ON), on every front end.
    FirmwareResponder firmware(model);
    firmware.AddCommands(interpreter);
    if (!server.Listen(options.host, options.port)) {
        std::fprintf(stderr, "vprinter: cannot listen on %s:%u: %s\n", options.host.c_str(), options.port,
                     std::strerror(errno));
        return 1;
    }

    std::unique_ptr<PtyFrontEnd> pty;
    if (options.pty) {
        pty = std::make_unique<PtyFrontEnd>(reactor, model);
        if (!pty->Open(options.ptyLink)) {
            std::fprintf(stderr, "vprinter: cannot open a pty: %s\n", std::strerror(errno));
            return 1;
        }
        pty->AddCommands(interpreter);
    }

    NetworkFrontEnds network(reactor, model);
    if (!network.Start(options.network, interpreter)) return 1;

    if (!options.portFile.empty() && !WritePortFile(options.portFile, server.Port(), pty ? pty->SlavePath() : "")) {
        std::fprintf(stderr, "vprinter: cannot write %s\n", options.portFile.c_str());
        return 1;
    }
    std::printf("vprinter: control %s:%u%s%s\n", options.host.c_str(), server.Port(), pty ? " pty " : "",
                pty ? pty->SlavePath().c_str() : "");
    std::fflush(stdout);

    Clock::time_point deadline =
        options.lifetime > 0 ? Clock::now() + std::chrono::seconds(options.lifetime) : Clock::time_point::max();
    int error = reactor.Run(deadline);
    if (!options.portFile.empty()) unlink(options.portFile.c_str());
    if (error) {
        std::fprintf(stderr, "vprinter: poll failed: %s\n", std::strerror(error));
        return 1;
    }
    return 0;
}
