// Parsing of the batch-mode command line: tokens split at blanks, option markers found by
// substring in a fixed order, values checked against the dialog's index tables.
#include "command_line.h"

#include "field_bounds.h"
#include "text_convert.h"

#include <array>
#include <climits>

namespace {

// Markers in the order they are searched for; the first one found decides what a token is.
enum class Option { Mode, Repeat, Delay, AutoClose, Framing, RxFile, Interface, Port, Baud, Parity, Handshake,
                    Address, Channel };

struct Marker {
    std::string_view text;
    Option option;
};

constexpr std::array<Marker, 13> kMarkers = {{
    {"-M:", Option::Mode},      {"-R:", Option::Repeat},    {"-D:", Option::Delay},
    {"-W:", Option::AutoClose}, {"-Q:", Option::Framing},   {"-F:", Option::RxFile},
    {"-I:", Option::Interface}, {"-O:", Option::Port},      {"-B:", Option::Baud},
    {"-P:", Option::Parity},    {"-H:", Option::Handshake}, {"-A:", Option::Address},
    {"-C:", Option::Channel},
}};

constexpr size_t kMarkerLength = 3;

// Baud rates by their index in the serial dialog's list.
constexpr std::array<int, 11> kBaudRates = {115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200, 600, 300, 110};

constexpr int kHighestPortNumber = 50;

// A letter's position in letters, or nothing (an empty value has no letter).
std::optional<int> LetterIndex(std::string_view value, std::string_view letters)
{
    if (value.empty())
        return std::nullopt;
    size_t at = letters.find(value[0]);
    if (at == std::string_view::npos)
        return std::nullopt;
    return static_cast<int>(at);
}

// The leading decimal number of value as atoi reads it (leading white space, a sign, the digits up
// to the first other character): its text from the sign on, empty when there is no digit.
std::string_view LeadingNumberText(std::string_view value)
{
    size_t start = 0;
    while (start < value.size() && (value[start] == '\t' || value[start] == '\n' || value[start] == '\v' ||
                                    value[start] == '\f' || value[start] == '\r' || value[start] == ' '))
        ++start;
    size_t i = start;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        ++i;
    const size_t digits = i;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9')
        ++i;
    return i > digits ? value.substr(start, i - start) : std::string_view();
}

// The leading decimal number of value (LeadingNumberText); nothing when there is no digit or it
// does not fit an int.
std::optional<int> LeadingNumber(std::string_view value)
{
    const std::string_view text = LeadingNumberText(value);
    if (text.empty())
        return std::nullopt;
    const bool negative = text[0] == '-';
    long long number = 0;
    for (size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0; i < text.size(); ++i) {
        number = number * 10 + (text[i] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        number = -number;
    if (number > INT_MAX || number < INT_MIN)
        return std::nullopt;
    return static_cast<int>(number);
}

// The log line of a number option ignored as out of its field's range: the number as read, or
// its text as given when it does not even fit an int.
std::string IgnoredNumberLine(std::string_view marker, std::string_view value, std::optional<int> number,
                              long long low, long long high)
{
    const std::string shown = number ? std::to_string(*number) : std::string(LeadingNumberText(value));
    return "Command line " + std::string(marker) + shown + " is out of range " + std::to_string(low) + ".." +
           std::to_string(high) + " and is ignored";
}

void ApplyMode(std::string_view value, ParsedCommandLine& result)
{
    switch (value.empty() ? '\0' : value[0]) {
    case 'T': result.batchMode = kBatchSendFile; break;
    case 'D': result.batchMode = kBatchDownloadFirmware; break;
    case 'X': result.batchMode = kBatchSendHexString; result.hexMode = 1; break;
    case 'S': result.batchMode = kBatchSendAsciiString; result.hexMode = 0; break;
    default:
        result.errors.push_back(kErrInvalidBatchMode);
        result.batchMode = kBatchStop;
        break;
    }
}

void ApplyPort(std::string_view value, ParsedCommandLine& result, int currentInterface)
{
    std::optional<int> number = LeadingNumber(value);
    switch (currentInterface) {
    case kInterfaceSerial:
    case kInterfaceParallel:
        // Out-of-range port numbers are ignored without a message; the log says so.
        if (number && *number >= 1 && *number <= kHighestPortNumber)
            result.portIndex = *number - 1;
        else if (!LeadingNumberText(value).empty())
            result.ignored.push_back(IgnoredNumberLine("-O:", value, number, 1, kHighestPortNumber));
        break;
    case kInterfaceEthernet:
        // Only a port the Ethernet page's field accepts: another would stop every later reading of
        // the page on its refusal box, in a run nobody attends.
        if (number && *number >= kMinTcpPort && *number <= kMaxTcpPort)
            result.ethernetMainPort = *number;
        else
            result.errors.push_back(kErrInvalidPortId);
        break;
    case kInterfaceUsb:
        result.errors.push_back(kErrInvalidPortId);
        break;
    default:
        break;
    }
}

void ApplyBaud(std::string_view value, ParsedCommandLine& result)
{
    std::optional<int> rate = LeadingNumber(value);
    for (size_t i = 0; rate && i < kBaudRates.size(); ++i) {
        if (kBaudRates[i] == *rate) {
            result.baudRate = static_cast<int>(i);
            return;
        }
    }
    result.errors.push_back(kErrInvalidBaudRate);
}

} // namespace

void ApplyCommandLineOption(std::string_view token, ParsedCommandLine& result, int& currentInterface)
{
    const Marker* found = nullptr;
    size_t at = 0;
    for (const Marker& marker : kMarkers) {
        at = token.find(marker.text);
        if (at != std::string_view::npos) {
            found = &marker;
            break;
        }
    }
    if (!found)
        return;
    const std::string_view value = token.substr(at + kMarkerLength);

    switch (found->option) {
    case Option::Mode:
        ApplyMode(value, result);
        break;
    case Option::Repeat:
        if (std::optional<int> count = LeadingNumber(value); count && *count != 0)
            result.repeatCount = *count;
        break;
    case Option::Delay: {
        // A delay the repeat delay field would refuse is ignored (the stored one stays) and logged.
        const std::optional<int> delay = LeadingNumber(value);
        if (delay && *delay > 0 && static_cast<unsigned>(*delay) <= kMaxRepeatDelayMs)
            result.repeatDelay = *delay;
        else if (delay ? *delay != 0 : !LeadingNumberText(value).empty())
            result.ignored.push_back(IgnoredNumberLine("-D:", value, delay, 0, kMaxRepeatDelayMs));
        break;
    }
    case Option::AutoClose:
        result.autoClose = (!value.empty() && value[0] == '0') ? 0 : 1;
        break;
    case Option::Framing:
        if (!value.empty() && value[0] == 'K')
            result.framing = PacketFraming::Kiosk;
        else if (!value.empty() && value[0] == 'L')
            result.framing = PacketFraming::Lottery;
        else
            result.framing = PacketFraming::None;
        break;
    case Option::RxFile:
        // Start-up names the receive-data file itself.
        break;
    case Option::Interface:
        if (std::optional<int> type = LetterIndex(value, "RUPE")) {
            result.interfaceType = *type;
            currentInterface = *type;
        } else {
            result.errors.push_back(kErrInvalidPortType);
        }
        break;
    case Option::Port:
        ApplyPort(value, result, currentInterface);
        break;
    case Option::Baud:
        ApplyBaud(value, result);
        break;
    case Option::Parity:
        if (std::optional<int> parity = LetterIndex(value, "NOEMS"))
            result.parity = *parity;
        else
            result.errors.push_back(kErrInvalidParity);
        break;
    case Option::Handshake:
        if (std::optional<int> flow = LetterIndex(value, "NHDCX"))
            result.flowControl = *flow;
        else
            result.errors.push_back(kErrInvalidHandshaking);
        break;
    case Option::Address: {
        // The address is read from the fourth character of the token, so the marker must begin it;
        // an empty address leaves the stored one, text that is no address gives 255.255.255.255.
        unsigned char octets[4];
        if (IpStringToBytes(token.substr(kMarkerLength), octets, 0))
            result.ipAddress = uint32_t{octets[0]} << 24 | uint32_t{octets[1]} << 16 | uint32_t{octets[2]} << 8 | octets[3];
        break;
    }
    case Option::Channel:
        if (!value.empty() && value[0] == 'M')
            result.ethernetOutChannel = 0;
        else if (!value.empty() && value[0] == 'R')
            result.ethernetOutChannel = 1;
        break;
    }
}

ParsedCommandLine ParseBatchCommandLine(std::string_view commandLine, int storedInterface)
{
    // Blanks (0x20 only) separate tokens; a run of blanks is one separator and there is no quoting.
    std::vector<std::string_view> tokens;
    for (size_t pos = 0; pos < commandLine.size();) {
        size_t end = commandLine.find(' ', pos);
        if (end == std::string_view::npos)
            end = commandLine.size();
        if (end > pos)
            tokens.push_back(commandLine.substr(pos, end - pos));
        pos = end + 1;
    }

    ParsedCommandLine result;
    if (tokens.empty())
        return result;
    if (tokens.size() == 1) {
        result.showSyntax = true;
        result.batchMode = kBatchStop;
        return result;
    }

    int currentInterface = storedInterface;
    for (size_t i = 1; i < tokens.size(); ++i)
        ApplyCommandLineOption(tokens[i], result, currentInterface);

    // -C: takes effect for Ethernet only: the USB channel always goes back to Main.
    result.usbOutChannel = 0;

    const std::string string(tokens[0]);
    switch (result.batchMode) {
    case kBatchNone:
        result.errors.push_back(kErrBatchModeNotSpecified);
        break;
    case kBatchSendHexString:
    case kBatchSendAsciiString:
        result.dataString = string;
        break;
    default:
        result.fileName = string;
        break;
    }
    return result;
}

const char* CommandLineSyntaxText()
{
    return "Command Line Syntax : \r\n\nKESTRIX String -M:Mode [options]\r\n\n"
           "\tString\t\t: File Name or ASCII data string or HEX data string\r\n"
           "\tMode\t\t: T=Transmit File, D=Download Firmware, S=Send ASCII String, X=Send HEX String\r\n\n"
           "\tOptions :\r\n\n"
           "\t* Global Parameters : -R:NbRepeats -D:Delay -W:AutoCloseWindow -I:Interface -Q:PacketMode "
           "-F:RxDataFileName\r\n"
           "\tNbRepeats\t: 1..65535 times or -1 for continuous transmission\r\n"
           "\tDelay\t\t: 1..65535 milliseconds\r\n"
           "\tAutoCloseWindow\t: 0=NO, 1=YES\r\n"
           "\tInterface\t\t: R=RS232, U=USB, P=PARALLEL, E=ETHERNET\r\n"
           "\tPacketMode\t: L=LOTTERY, K=KIOSK\r\n"
           "\tRxDataFileName\t: File Name\r\n\n"
           "\t* Serial Interface Parameters : -C:Port -B:Baudrate -P:Parity -H:Handshaking\r\n"
           "\tPort\t\t: 1=COM1, 2=COM2, 3=COM3, etc...\r\n"
           "\tBaudrate\t\t: 110,300,600,1200,2400,4800,9600,19200,38400,57600,115200\r\n"
           "\tParity\t\t: N=None, O=Odd, E=Even, M=Mark, S=Space\r\n"
           "\tHandshaking\t: N=None, H=DSR/CTS, D=DSR, C=CTS, X=Xon/Xoff\r\n\n"
           "\t* USB Interface Parameters : -C:Out Channel\r\n"
           "\tChannel\t\t: M=Main, R=Real Time Port\r\n\n"
           "\t* Parallel Interface Parameters : -O:Port\r\n"
           "\tPort\t\t: 1=LPT1, 2=LPT2, 3=LPT3, etc...\r\n\n"
           "\t* Ethernet Interface Parameters : -A:IpAddress -C:Channel -O:Port\r\n"
           "\tIpAddress\t: IP Address in dotted format ex: 192.168.1.2\r\n"
           "\tChannel\t\t: M=Main, R=Real Time Port\r\n"
           "\tPort\t\t: 0..65535\r\n\n";
}
