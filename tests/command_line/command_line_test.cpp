// The batch command line: every option, the marker order, errors 30 to 36 and the lone token.
#include "core/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

// Readable failure output: only the fields that are set.
void PrintTo(const ParsedCommandLine& r, std::ostream* os)
{
    *os << "{mode " << r.batchMode << (r.showSyntax ? " syntax" : "") << " errors[";
    for (int e : r.errors)
        *os << ' ' << e;
    *os << " ]";
    for (const std::string& line : r.ignored)
        *os << " ignored: " << line;
    auto field = [os](const char* name, const auto& value) {
        if (value)
            *os << ' ' << name << '=' << *value;
    };
    field("file", r.fileName);
    field("data", r.dataString);
    field("hex", r.hexMode);
    field("repeat", r.repeatCount);
    field("delay", r.repeatDelay);
    field("autoClose", r.autoClose);
    if (r.framing)
        *os << " framing=" << static_cast<int>(*r.framing);
    field("interface", r.interfaceType);
    field("port", r.portIndex);
    field("tcpPort", r.ethernetMainPort);
    field("baud", r.baudRate);
    field("parity", r.parity);
    field("flow", r.flowControl);
    field("ip", r.ipAddress);
    field("ethChannel", r.ethernetOutChannel);
    field("usbChannel", r.usbOutChannel);
    *os << '}';
}

namespace {

struct Case {
    const char* commandLine;
    int storedInterface;
    std::function<void(ParsedCommandLine&)> expect;  // changes from a plain file-transfer result
};

// "F -M:T ..." with nothing else set: mode 2, the file name F, the USB channel back to Main.
ParsedCommandLine SendFile(const char* file = "F")
{
    ParsedCommandLine r;
    r.batchMode = kBatchSendFile;
    r.fileName = file;
    r.usbOutChannel = 0;
    return r;
}

void Check(const Case& c, ParsedCommandLine expected)
{
    c.expect(expected);
    EXPECT_EQ(ParseBatchCommandLine(c.commandLine, c.storedInterface), expected) << '"' << c.commandLine << '"';
}

} // namespace

TEST(CommandLine, EmptyOrBlankLineIsInteractiveWithNothingSet)
{
    for (const char* line : {"", " ", "     "})
        EXPECT_EQ(ParseBatchCommandLine(line, kInterfaceSerial), ParsedCommandLine{}) << '"' << line << '"';
}

TEST(CommandLine, LoneTokenAsksForTheSyntaxBoxAndStops)
{
    ParsedCommandLine expected;
    expected.showSyntax = true;
    expected.batchMode = kBatchStop;
    // Only 0x20 separates tokens: a tab stays inside the token.
    for (const char* line : {"file.txt", "  file.txt  ", "-M:T", "a\t-M:T"})
        EXPECT_EQ(ParseBatchCommandLine(line, kInterfaceSerial), expected) << '"' << line << '"';
}

TEST(CommandLine, SyntaxTextIsTheProgramsOwn)
{
    const std::string text = CommandLineSyntaxText();
    EXPECT_EQ(text.rfind("Command Line Syntax : \r\n\nKESTRIX String -M:Mode [options]\r\n\n", 0), 0u);
    EXPECT_NE(text.find("\t* Global Parameters : -R:NbRepeats -D:Delay -W:AutoCloseWindow -I:Interface "
                        "-Q:PacketMode -F:RxDataFileName\r\n\tNbRepeats"),
              std::string::npos);
    EXPECT_NE(text.find("\tHandshaking\t: N=None, H=DSR/CTS, D=DSR, C=CTS, X=Xon/Xoff\r\n\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\tChannel\t\t: M=Main, R=Real Time Port\r\n\tPort\t\t: 0..65535\r\n\n"));
    EXPECT_EQ(text.size(), 1237u);
}

TEST(CommandLine, ModeDecidesActionAndWhereTheStringGoes)
{
    const Case cases[] = {
        {"F -M:T", kInterfaceSerial, [](auto&) {}},
        {"fw.bin -M:D", kInterfaceSerial, [](auto& r) { r.batchMode = kBatchDownloadFirmware; r.fileName = "fw.bin"; }},
        {"1B,2C -M:X", kInterfaceSerial, [](auto& r) {
             r.batchMode = kBatchSendHexString; r.hexMode = 1; r.fileName.reset(); r.dataString = "1B,2C"; }},
        {"ab\\r -M:S", kInterfaceSerial, [](auto& r) {
             r.batchMode = kBatchSendAsciiString; r.hexMode = 0; r.fileName.reset(); r.dataString = "ab\\r"; }},
        // Invalid letter: error 30 and stop; the String still goes to the file name.
        {"F -M:Q", kInterfaceSerial, [](auto& r) { r.batchMode = kBatchStop; r.errors = {30}; }},
        {"F -M:t", kInterfaceSerial, [](auto& r) { r.batchMode = kBatchStop; r.errors = {30}; }},
        {"F -M:", kInterfaceSerial, [](auto& r) { r.batchMode = kBatchStop; r.errors = {30}; }},
        // A later mode overrides an earlier one, the error stays reported.
        {"F -M:Q -M:T", kInterfaceSerial, [](auto& r) { r.errors = {30}; }},
        {"F -M:T -M:Q", kInterfaceSerial, [](auto& r) { r.batchMode = kBatchStop; r.errors = {30}; }},
        {"F -M:X -M:T", kInterfaceSerial, [](auto& r) { r.hexMode = 1; }},
    };
    for (const Case& c : cases)
        Check(c, SendFile());
}

TEST(CommandLine, MissingModeIsErrorThirtySixAndInteractiveWithTheOtherSettings)
{
    const Case cases[] = {
        {"F -I:E", kInterfaceSerial, [](auto& r) { r.interfaceType = kInterfaceEthernet; }},
        {"F -m:s", kInterfaceSerial, [](auto&) {}},     // markers are case-sensitive
        {"F plain words", kInterfaceSerial, [](auto&) {}},
        {"F -B:1 -R:2", kInterfaceSerial, [](auto& r) { r.errors = {33, 36}; r.repeatCount = 2; }},
    };
    for (const Case& c : cases) {
        ParsedCommandLine interactive;
        interactive.errors = {36};
        interactive.usbOutChannel = 0;
        Check(c, interactive);
    }
}

TEST(CommandLine, EachOptionSetsItsSetting)
{
    const Case cases[] = {
        {"F -M:T -R:5", kInterfaceSerial, [](auto& r) { r.repeatCount = 5; }},
        {"F -M:T -R:-1", kInterfaceSerial, [](auto& r) { r.repeatCount = -1; }},
        {"F -M:T -R:0", kInterfaceSerial, [](auto&) {}},
        {"F -M:T -R:x", kInterfaceSerial, [](auto&) {}},
        {"F -M:T -R:99999999999", kInterfaceSerial, [](auto&) {}},
        {"F -M:T -D:250", kInterfaceSerial, [](auto& r) { r.repeatDelay = 250; }},
        {"F -M:T -D:300000", kInterfaceSerial, [](auto& r) { r.repeatDelay = 300000; }},
        // A delay the delay field would refuse is ignored and logged.
        {"F -M:T -D:400000", kInterfaceSerial,
         [](auto& r) { r.ignored = {"Command line -D:400000 is out of range 0..300000 and is ignored"}; }},
        {"F -M:T -D:-1", kInterfaceSerial,
         [](auto& r) { r.ignored = {"Command line -D:-1 is out of range 0..300000 and is ignored"}; }},
        // Beyond an int: logged as given, like any other ignored value.
        {"F -M:T -D:99999999999", kInterfaceSerial,
         [](auto& r) { r.ignored = {"Command line -D:99999999999 is out of range 0..300000 and is ignored"}; }},
        {"F -M:T -D:-2147483649ms", kInterfaceSerial,
         [](auto& r) { r.ignored = {"Command line -D:-2147483649 is out of range 0..300000 and is ignored"}; }},
        {"F -M:T -D:x", kInterfaceSerial, [](auto&) {}},
        {"F -M:T -D:0", kInterfaceSerial, [](auto&) {}},
        {"F -M:T x-D:5", kInterfaceSerial, [](auto& r) { r.repeatDelay = 5; }},
        {"F -M:T -W:0", kInterfaceSerial, [](auto& r) { r.autoClose = 0; }},
        {"F -M:T -W:01", kInterfaceSerial, [](auto& r) { r.autoClose = 0; }},
        {"F -M:T -W:1", kInterfaceSerial, [](auto& r) { r.autoClose = 1; }},
        {"F -M:T -W:", kInterfaceSerial, [](auto& r) { r.autoClose = 1; }},
        {"F -M:T -W:0 -W:1", kInterfaceSerial, [](auto& r) { r.autoClose = 1; }},
        {"F -M:T -Q:L", kInterfaceSerial, [](auto& r) { r.framing = PacketFraming::Lottery; }},
        {"F -M:T -Q:L -Q:K", kInterfaceSerial, [](auto& r) { r.framing = PacketFraming::Kiosk; }},
        {"F -M:T -Q:K -Q:Z", kInterfaceSerial, [](auto& r) { r.framing = PacketFraming::None; }},
        {"F -M:T -F:rx.dat", kInterfaceSerial, [](auto&) {}},
        {"F -M:T -I:R", kInterfaceUsb, [](auto& r) { r.interfaceType = kInterfaceSerial; }},
        {"F -M:T -I:U", kInterfaceSerial, [](auto& r) { r.interfaceType = kInterfaceUsb; }},
        {"F -M:T -I:P", kInterfaceSerial, [](auto& r) { r.interfaceType = kInterfaceParallel; }},
        {"F -M:T -I:E", kInterfaceSerial, [](auto& r) { r.interfaceType = kInterfaceEthernet; }},
        {"F -M:T -I:U -I:E", kInterfaceSerial, [](auto& r) { r.interfaceType = kInterfaceEthernet; }},
        {"F -M:T -P:N -P:O", kInterfaceSerial, [](auto& r) { r.parity = 1; }},
        {"F -M:T -P:E", kInterfaceSerial, [](auto& r) { r.parity = 2; }},
        {"F -M:T -P:M", kInterfaceSerial, [](auto& r) { r.parity = 3; }},
        {"F -M:T -P:S", kInterfaceSerial, [](auto& r) { r.parity = 4; }},
        {"F -M:T -H:N", kInterfaceSerial, [](auto& r) { r.flowControl = 0; }},
        {"F -M:T -H:H", kInterfaceSerial, [](auto& r) { r.flowControl = 1; }},
        {"F -M:T -H:D", kInterfaceSerial, [](auto& r) { r.flowControl = 2; }},
        {"F -M:T -H:C", kInterfaceSerial, [](auto& r) { r.flowControl = 3; }},
        {"F -M:T -H:X", kInterfaceSerial, [](auto& r) { r.flowControl = 4; }},
        {"F -M:T -A:192.168.1.2", kInterfaceSerial, [](auto& r) { r.ipAddress = 0xC0A80102u; }},
        {"F -M:T -A:10.1", kInterfaceSerial, [](auto& r) { r.ipAddress = 0x0A000001u; }},
        {"F -M:T -A:printer", kInterfaceSerial, [](auto& r) { r.ipAddress = 0xFFFFFFFFu; }},
        {"F -M:T -A:", kInterfaceSerial, [](auto&) {}},
        // The address is read from the token's fourth character: a marker inside the token gives no address.
        {"F -M:T x-A:1.2.3.4", kInterfaceSerial, [](auto& r) { r.ipAddress = 0xFFFFFFFFu; }},
        {"F -M:T -C:R", kInterfaceEthernet, [](auto& r) { r.ethernetOutChannel = 1; }},
        {"F -M:T -C:R -C:M", kInterfaceEthernet, [](auto& r) { r.ethernetOutChannel = 0; }},
        {"F -M:T -C:X", kInterfaceEthernet, [](auto&) {}},
        // -C: never reaches the USB channel: it is Main after every batch command line.
        {"F -M:T -C:R", kInterfaceUsb, [](auto& r) { r.ethernetOutChannel = 1; r.usbOutChannel = 0; }},
    };
    for (const Case& c : cases)
        Check(c, SendFile());
}

TEST(CommandLine, BaudRatesMapToTheDialogsIndexes)
{
    const int rates[] = {115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200, 600, 300, 110};
    for (int i = 0; i < 11; ++i) {
        const std::string line = "F -M:T -B:" + std::to_string(rates[i]);
        ParsedCommandLine expected = SendFile();
        expected.baudRate = i;
        EXPECT_EQ(ParseBatchCommandLine(line, kInterfaceSerial), expected) << line;
    }
}

TEST(CommandLine, PortNumberIsReadUnderTheInterfaceInForce)
{
    const Case cases[] = {
        {"F -M:T -O:2", kInterfaceSerial, [](auto& r) { r.portIndex = 1; }},
        {"F -M:T -O:50", kInterfaceSerial, [](auto& r) { r.portIndex = 49; }},
        {"F -M:T -O:3", kInterfaceParallel, [](auto& r) { r.portIndex = 2; }},
        {"F -M:T -O:51", kInterfaceSerial,
         [](auto& r) { r.ignored = {"Command line -O:51 is out of range 1..50 and is ignored"}; }},
        {"F -M:T -O:0", kInterfaceSerial,
         [](auto& r) { r.ignored = {"Command line -O:0 is out of range 1..50 and is ignored"}; }},
        {"F -M:T -O:x", kInterfaceParallel, [](auto&) {}},
        {"F -M:T -O:4294967297", kInterfaceSerial,
         [](auto& r) { r.ignored = {"Command line -O:4294967297 is out of range 1..50 and is ignored"}; }},
        {"F -M:T -O:+99999999999", kInterfaceParallel,
         [](auto& r) { r.ignored = {"Command line -O:+99999999999 is out of range 1..50 and is ignored"}; }},
        {"F -M:T -I:E -O:9100", kInterfaceSerial, [](auto& r) {
             r.interfaceType = kInterfaceEthernet; r.ethernetMainPort = 9100; }},
        {"F -M:T -O:1", kInterfaceEthernet, [](auto& r) { r.ethernetMainPort = 1; }},
        {"F -M:T -O:65535", kInterfaceEthernet, [](auto& r) { r.ethernetMainPort = 65535; }},
        // A TCP port the Ethernet page would refuse (0, beyond 16 bits) or no number is refused.
        {"F -M:T -O:0", kInterfaceEthernet, [](auto& r) { r.errors = {32}; }},
        {"F -M:T -O:65536", kInterfaceEthernet, [](auto& r) { r.errors = {32}; }},
        {"F -M:T -O:-1", kInterfaceEthernet, [](auto& r) { r.errors = {32}; }},
        {"F -M:T -O:x", kInterfaceEthernet, [](auto& r) { r.errors = {32}; }},
        {"F -M:T -O:99999999999", kInterfaceEthernet, [](auto& r) { r.errors = {32}; }},
        {"F -M:T -O:1", kInterfaceUsb, [](auto& r) { r.errors = {32}; }},
        // -O: before -I: is read under the stored interface.
        {"F -M:T -O:2 -I:R", kInterfaceUsb, [](auto& r) { r.errors = {32}; r.interfaceType = kInterfaceSerial; }},
        {"F -M:T -I:R -O:2", kInterfaceUsb, [](auto& r) { r.interfaceType = kInterfaceSerial; r.portIndex = 1; }},
        // An invalid -I: leaves the interface in force as it was.
        {"F -M:T -I:Z -O:2", kInterfaceUsb, [](auto& r) { r.errors = {31, 32}; }},
    };
    for (const Case& c : cases)
        Check(c, SendFile());
}

TEST(CommandLine, FirstMarkerInSearchOrderDecidesTheToken)
{
    const Case cases[] = {
        {"F -M:T -D:5-R:3", kInterfaceSerial, [](auto& r) { r.repeatCount = 3; }},
        {"F -D:5-M:T", kInterfaceSerial, [](auto&) {}},
        {"F -M:T -Q:K-W:0", kInterfaceSerial, [](auto& r) { r.autoClose = 0; }},
        {"F -M:T -O:5-I:E", kInterfaceSerial, [](auto& r) { r.interfaceType = kInterfaceEthernet; }},
        {"F -M:T -P:E-B:9600", kInterfaceSerial, [](auto& r) { r.baudRate = 4; }},
        {"F -M:T -H:X-P:O", kInterfaceSerial, [](auto& r) { r.parity = 1; }},
        {"F -M:T -C:R-H:C", kInterfaceSerial, [](auto& r) { r.flowControl = 3; }},
        {"F -M:T -C:M-A:1.2.3.4", kInterfaceSerial, [](auto& r) { r.ipAddress = 0xFFFFFFFFu; }},
        // A receive-data file name that holds a marker is taken as that option.
        {"F -F:rx-M:X -M:T", kInterfaceSerial, [](auto& r) { r.hexMode = 1; }},
    };
    for (const Case& c : cases)
        Check(c, SendFile());
}

TEST(CommandLine, EveryBadValueIsReportedInOrderAndParsingGoesOn)
{
    const Case cases[] = {
        {"F -M:T -I:X", kInterfaceSerial, [](auto& r) { r.errors = {31}; }},
        {"F -M:T -B:1234", kInterfaceSerial, [](auto& r) { r.errors = {33}; }},
        {"F -M:T -B:", kInterfaceSerial, [](auto& r) { r.errors = {33}; }},
        {"F -M:T -B:9600 -B:1234", kInterfaceSerial, [](auto& r) { r.errors = {33}; r.baudRate = 4; }},
        {"F -M:T -P:n", kInterfaceSerial, [](auto& r) { r.errors = {34}; }},
        {"F -M:T -H:", kInterfaceSerial, [](auto& r) { r.errors = {35}; }},
        {"F -H:Q -P:Q -B:7 -O:1 -I:Q -M:Q -R:2", kInterfaceUsb, [](auto& r) {
             r.errors = {35, 34, 33, 32, 31, 30}; r.batchMode = kBatchStop; r.repeatCount = 2; }},
    };
    for (const Case& c : cases)
        Check(c, SendFile());
}

TEST(CommandLine, ExampleStringRunSetsTheSerialSettings)
{
    ParsedCommandLine expected;
    expected.batchMode = kBatchSendAsciiString;
    expected.hexMode = 0;
    expected.dataString = "AB\\r\\n";
    expected.interfaceType = kInterfaceSerial;
    expected.portIndex = 1;
    expected.baudRate = 4;
    expected.parity = 0;
    expected.flowControl = 4;
    expected.autoClose = 1;
    expected.usbOutChannel = 0;
    EXPECT_EQ(ParseBatchCommandLine("AB\\r\\n   -M:S -I:R -O:2 -B:9600 -P:N -H:X -W:1", kInterfaceUsb), expected);
}

TEST(CommandLine, OptionTokenAloneNeverLooksBeyondItsEnd)
{
    // Tokens cut right after a marker or inside one.
    for (const char* token : {"-", "-M", "-M:", "-A:", "-A", "x-A:", "-O:", "-B:", "-R:", "-R:-", "-D:+", "-W:"}) {
        ParsedCommandLine r;
        int current = kInterfaceEthernet;
        ApplyCommandLineOption(std::string(token), r, current);
        EXPECT_EQ(current, kInterfaceEthernet) << token;
    }
}
