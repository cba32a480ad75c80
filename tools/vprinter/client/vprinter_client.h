// VPrinterClient: a test's side of the virtual printer's control channel (winsock or POSIX sockets).
// Each call sends one command line and waits for its one reply line; see control_interpreter.h
// for the commands.
#pragma once
#include "hex_text.h"
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vprinter {

// What RECEIVED answered: the length and CRC-32 always, the bytes when the printer sent them.
struct ReceivedSummary {
    uint64_t length = 0;
    uint32_t crc = 0;
    std::optional<Bytes> bytes;
};

class VPrinterClient {
public:
    VPrinterClient();
    ~VPrinterClient();
    VPrinterClient(const VPrinterClient&) = delete;
    VPrinterClient& operator=(const VPrinterClient&) = delete;

    // Connects to host:port; false with a reason in LastError().
    bool Connect(const std::string& host, unsigned short port);
    // Reads the port from the file the printer wrote (--port-file) and connects on loopback.
    bool ConnectFromFile(const std::string& portFile);
    void Disconnect();
    bool Connected() const;

    // Sends one command and returns the reply line ("ERR connection ..." when the link failed).
    std::string Command(const std::string& line);
    // Sends one command; true when its reply begins with "OK".
    bool Ok(const std::string& line) { return Command(line).rfind("OK", 0) == 0; }

    std::optional<ReceivedSummary> Received(const std::string& channel = "main");
    // LINE as key/value pairs (baud, stop, crtscts, ixon, ixoff); empty on failure.
    std::map<std::string, std::string> Line();

    const std::string& LastError() const { return m_lastError; }

private:
    bool SendAll(const std::string& text);
    bool ReadLine(std::string& line);

    intptr_t m_socket;
    std::string m_pending;  // bytes read past the last reply line
    std::string m_lastError;
};

}  // namespace vprinter
