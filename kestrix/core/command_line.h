// The batch-mode command line of Kestrix ("String -M:Mode [options]") parsed into plain settings.
// No Windows header: the main dialog applies the result to its members and shows the errors.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// m_nBatchMode values.
enum BatchMode : int {
    kBatchNone = 0,         // interactive
    kBatchStop = 1,         // syntax box shown or mode letter invalid: start-up stops, the window closes
    kBatchSendFile = 2,
    kBatchDownloadFirmware = 3,
    kBatchSendHexString = 4,
    kBatchSendAsciiString = 5,
};

// m_nInterface values.
enum PortInterface : int { kInterfaceSerial = 0, kInterfaceUsb = 1, kInterfaceParallel = 2, kInterfaceEthernet = 3 };

// -Q: result: m_bLotteryPacket and m_bKioskPacket, at most one of them on.
enum class PacketFraming { None, Lottery, Kiosk };

// Catalogue error numbers of the command line.
enum CommandLineError : int {
    kErrInvalidBatchMode = 30,
    kErrInvalidPortType = 31,
    kErrInvalidPortId = 32,
    kErrInvalidBaudRate = 33,
    kErrInvalidParity = 34,
    kErrInvalidHandshaking = 35,
    kErrBatchModeNotSpecified = 36,
};

// What a command line sets. An empty optional leaves the stored setting as it is.
struct ParsedCommandLine {
    int batchMode = kBatchNone;         // becomes m_nBatchMode
    bool showSyntax = false;            // a lone token: show CommandLineSyntaxText(), then close
    std::vector<int> errors;            // catalogue numbers to show, in command-line order
    std::vector<std::string> ignored;   // log lines of values ignored as out of their field's range

    std::optional<std::string> fileName;    // m_strFileName (modes 1-3)
    std::optional<std::string> dataString;  // m_strDataString (modes 4-5)
    std::optional<int> hexMode;             // m_bHexMode: -M:X 1, -M:S 0
    std::optional<int> repeatCount;         // m_nRepeatCount; also m_bRepeat = 1 and the repeat controls enabled
    std::optional<int> repeatDelay;         // m_nRepeatDelay in ms, within the delay field's 0..300000
    std::optional<int> autoClose;           // m_bAutoClose
    std::optional<PacketFraming> framing;   // m_bLotteryPacket, m_bKioskPacket
    std::optional<int> interfaceType;       // m_nInterface
    std::optional<int> portIndex;           // serial and parallel m_nPort (COMn/LPTn is n-1)
    std::optional<int> ethernetMainPort;    // Ethernet m_nMainPort
    std::optional<int> baudRate;            // serial m_nBaudRate index
    std::optional<int> parity;              // serial m_nParity index
    std::optional<int> flowControl;         // serial m_nFlowControl index
    // Ethernet m_dwIpAddress, first octet in the high byte. -A: takes what IpStringToBytes takes
    // (a.b.c.d, a.b.c, a.b, a; decimal, octal or hex parts: "10.1" is 10.0.0.1); any other text,
    // or a -A: that does not begin its token, gives 255.255.255.255; an empty -A: sets nothing.
    std::optional<uint32_t> ipAddress;
    std::optional<int> ethernetOutChannel;  // Ethernet m_nOutChannel: 0 Main, 1 Real Time
    std::optional<int> usbOutChannel;       // USB m_nOutChannel: always 0 (Main) after a batch command line

    bool operator==(const ParsedCommandLine&) const = default;
};

// Parses the text after the program name. storedInterface is m_nInterface as loaded from the
// settings: -O: is read under the interface in force when the token is met.
ParsedCommandLine ParseBatchCommandLine(std::string_view commandLine, int storedInterface);

// Applies one option token to result; currentInterface is updated by -I:. A token without a
// marker changes nothing. Exposed so each token can be checked on its own.
void ApplyCommandLineOption(std::string_view token, ParsedCommandLine& result, int& currentInterface);

// The text of the syntax box.
const char* CommandLineSyntaxText();
