// Kestrix.exe in batch mode end to end: started by KestrixCli.exe (or directly), it sends a file,
// a hex or a text string or a firmware image to the virtual printer over loopback TCP and closes
// its window by itself; bad command lines show their errors; the settings it was given are saved.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "batch_run.h"
#include "core/command_line.h"
#include "core/packet_framing.h"
#include "crc32.h"
#include "fixture_printer.h"
#include "res/resource.h"
#include "sample_bytes.h"
#include "vprinter_client.h"

namespace {

using Bytes = std::vector<unsigned char>;

const char* const kKey = "SOFTWARE\\VELTRA\\KESTRIX";
const char* const kParams = "SOFTWARE\\VELTRA\\KESTRIX\\Communication Parameters";
constexpr DWORD kRunMs = 60000;

// The printer's folder (a path of this machine) as Wine shows it.
std::string PrinterFile(const char* name)
{
    const char* dir = getenv("KX_BATCH_VPRINTER");
    std::string path = std::string("Z:") + (dir ? dir : "") + "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

void WriteNumber(const char* path, const char* name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void WriteText(const char* path, const char* name, const char* value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
}

long ReadNumber(const char* path, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return -1000;
    DWORD value = 0, size = sizeof value;
    const LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? static_cast<long>(value) : -1000;
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text of the session log's last entry (after its last time stamp).
std::string LastLogEntry(const std::string& log)
{
    const size_t at = log.rfind("Time = ");
    return at == std::string::npos ? std::string() : log.substr(at);
}

// A header-protocol firmware image of n bytes (signature, then its length in bytes 5-7).
Bytes HeaderImage(size_t n)
{
    Bytes image = test_support::SampleBytes(n, 7);
    const unsigned char head[] = {0x02, 0x46, 0x44, 0x3B, 0x1F, static_cast<unsigned char>(n),
                                  static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n >> 16)};
    std::copy(std::begin(head), std::end(head), image.begin());
    return image;
}

// A sample file in a folder of the test's own (no blank in the path: blanks separate tokens).
std::string WriteSample(const char* name, const Bytes& bytes)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string dir = std::string(temp) + "kx_batch_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string path = dir + "\\" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    return path;
}

class BatchE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_printer.ConnectFromFile(PrinterFile("control-batch.txt"))) << m_printer.LastError();
        std::ifstream net(PrinterFile("net-batch.txt"));
        ASSERT_TRUE(net >> m_main >> m_realTime >> m_usm);
        ASSERT_NO_FATAL_FAILURE(FreshPrinter());
        ASSERT_TRUE(m_printer.Ok("FW OFF"));
        // Fresh settings naming the English catalogue and the printer's two other channels.
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        WriteText(kKey, "Thesaurus DLL Name", "Sablon.dll");
        WriteNumber(kParams, "Ethernet Port", static_cast<DWORD>(m_main));
        WriteNumber(kParams, "Real Time Ethernet Port", static_cast<DWORD>(m_realTime));
        WriteNumber(kParams, "USM Ethernet Port", static_cast<DWORD>(m_usm));
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        FreshPrinter();
    }

    // The printer forgets earlier runs: their connections are dropped unread (a program that has
    // ended may still have bytes on their way to a printer that stopped reading), it reads again
    // at full speed, and it has received nothing.
    void FreshPrinter()
    {
        ASSERT_TRUE(m_printer.Ok("TCP RESET main"));
        ASSERT_NO_FATAL_FAILURE(PrinterReads());
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
    }

    // The printer's main channel reads again, at full speed.
    void PrinterReads()
    {
        ASSERT_TRUE(m_printer.Ok("TCP STALL main OFF"));
        ASSERT_TRUE(m_printer.Ok("TCP SLOW main 0"));
    }

    // The options that lead to the virtual printer.
    std::string Ethernet() const { return "-I:E -A:127.0.0.1 -O:" + std::to_string(m_main); }

    // Runs KestrixCli with arguments and follows Kestrix until it has closed itself.
    void RunThroughLauncher(BatchRun& run, const std::string& arguments)
    {
        DWORD launcherExit = 0xFFFF;
        ASSERT_TRUE(run.StartThroughLauncher(arguments, launcherExit));
        EXPECT_EQ(launcherExit, 0u);
        ASSERT_TRUE(run.FollowUntilExit(kRunMs)) << "the window did not close by itself";
        EXPECT_TRUE(run.SawMainWindow());
    }

    // What the printer's main channel received, compared by length and CRC.
    void ExpectReceived(const Bytes& expected)
    {
        const auto received = m_printer.Received("main");
        ASSERT_TRUE(received.has_value());
        EXPECT_EQ(received->length, expected.size());
        EXPECT_EQ(received->crc, vprinter::Crc32(expected.data(), expected.size()));
    }

    vprinter::VPrinterClient m_printer;
    int m_main = 0;
    int m_realTime = 0;
    int m_usm = 0;
};

TEST_F(BatchE2E, LauncherSendsAFileByteExactAndTheWindowClosesByItself)
{
    const Bytes file = test_support::SampleBytes(20000, 1);
    BatchRun run;
    RunThroughLauncher(run, WriteSample("sample.bin", file) + " -M:T " + Ethernet());
    EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front();
    ExpectReceived(file);
    // The session was logged from its start to its close.
    ASSERT_EQ(run.SessionLogs().size(), 1u);
    const std::string log = ReadFileText(run.SessionLogs().front());
    EXPECT_NE(log.find("Start Session."), std::string::npos);
    EXPECT_NE(log.find("Close Session."), std::string::npos);
}

TEST_F(BatchE2E, HexAndTextStringsReachThePrinterAsTheirBytes)
{
    struct StringCase {
        const char* data;
        std::string options;
        Bytes expected;
        std::vector<std::string> boxes;
        const char* logged = nullptr;   // a line the session log holds
    };
    // Values no field would take never reach one, so no refusal box holds the unattended run:
    // a delay out of its range is ignored, and port 0 is refused (the stored main port is used).
    const StringCase cases[] = {
        {"1B,40;41-42.0D", "-M:X " + Ethernet(), {0x1B, 0x40, 0x41, 0x42, 0x0D}, {}},
        {"AB\\x01\\r\\n", "-M:S " + Ethernet(), {'A', 'B', 0x01, '\r', '\n'}, {}},
        {"D1", "-M:S -D:-1 " + Ethernet(), {'D', '1'}, {}, "Command line -D:-1 is out of range 0..300000"},
        {"D2", "-M:S -D:400000 " + Ethernet(), {'D', '2'}, {}},
        {"O0", "-M:S -I:E -A:127.0.0.1 -O:0", {'O', '0'}, {"Error - Invalid Port Id"}},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.data + (" " + c.options));
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        BatchRun run;
        RunThroughLauncher(run, std::string(c.data) + " " + c.options);
        EXPECT_EQ(run.Boxes(), c.boxes);
        ExpectReceived(c.expected);
        if (c.logged) {
            ASSERT_EQ(run.SessionLogs().size(), 1u);
            EXPECT_NE(ReadFileText(run.SessionLogs().front()).find(c.logged), std::string::npos) << c.logged;
        }
    }
}

TEST_F(BatchE2E, PacketModeOnTheCommandLineFramesWhatIsSent)
{
    const Bytes file = test_support::SampleBytes(2500, 2);
    Bytes lottery;
    for (size_t at = 0; at < file.size(); at += 1024) {
        const size_t n = std::min<size_t>(1024, file.size() - at);
        const Bytes packet = FrameLotteryPacket(std::span<const unsigned char>(file.data() + at, n));
        lottery.insert(lottery.end(), packet.begin(), packet.end());
    }
    struct FramingCase {
        const char* option;
        Bytes expected;
    };
    const FramingCase cases[] = {{"-Q:K", FrameKioskPacket(file)}, {"-Q:L", lottery}};
    const std::string path = WriteSample("framed.bin", file);
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.option);
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        BatchRun run;
        RunThroughLauncher(run, path + " -M:T " + c.option + " " + Ethernet());
        ExpectReceived(c.expected);
    }
}

TEST_F(BatchE2E, RepeatCountSendsTheFileAgainAfterTheDelay)
{
    const Bytes file = test_support::SampleBytes(3000, 3);
    Bytes three;
    for (int i = 0; i < 3; ++i)
        three.insert(three.end(), file.begin(), file.end());
    BatchRun run;
    const DWORD start = GetTickCount();
    RunThroughLauncher(run, WriteSample("repeat.bin", file) + " -M:T -R:3 -D:700 " + Ethernet());
    // Two pauses between three sends.
    EXPECT_GE(GetTickCount() - start, 1400u);
    ExpectReceived(three);
}

TEST_F(BatchE2E, FirmwareImageReachesThePrinterAndTheWindowCloses)
{
    ASSERT_TRUE(m_printer.Ok("FW ON"));
    ASSERT_TRUE(m_printer.Ok("FW SIZE 0"));
    const Bytes image = test_support::SampleBytes(65536, 4);
    BatchRun run;
    RunThroughLauncher(run, WriteSample("image.bin", image) + " -M:D " + Ethernet());
    EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front();
    std::istringstream reply(m_printer.Command("FW IMAGE"));
    std::string ok, crc;
    size_t length = 0;
    reply >> ok >> length >> crc;
    EXPECT_EQ(ok, "OK");
    EXPECT_EQ(length, image.size());
    char expected[9];
    snprintf(expected, sizeof expected, "%08x", vprinter::Crc32(image.data(), image.size()));
    EXPECT_EQ(_stricmp(crc.c_str(), expected), 0) << crc << " / " << expected;
}

TEST_F(BatchE2E, SettingsGivenOnTheCommandLineAreInTheRegistryAfterwards)
{
    BatchRun run;
    RunThroughLauncher(run, "Z -M:S -B:9600 -P:E -H:X -Q:K " + Ethernet());
    EXPECT_EQ(ReadNumber(kParams, "Interface Type"), 3);
    EXPECT_EQ(ReadNumber(kParams, "Baud Rate"), 4);
    EXPECT_EQ(ReadNumber(kParams, "Parity"), 2);
    EXPECT_EQ(ReadNumber(kParams, "Flow Control"), 4);
    EXPECT_EQ(ReadNumber(kParams, "Kiosk Packet Mode"), 1);
    EXPECT_EQ(ReadNumber(kParams, "Lottery Packet Mode"), 0);
    EXPECT_EQ(ReadNumber(kParams, "Ethernet Port"), m_main);
    EXPECT_EQ(ReadNumber(kParams, "Ethernet IP Address"), 0x7F000001);
    EXPECT_EQ(ReadNumber(kKey, "String Mode"), 0);
    ExpectReceived(FrameKioskPacket(Bytes{'Z'}));
}

TEST_F(BatchE2E, AutoCloseZeroKeepsTheWindowOpenAfterTheAction)
{
    // The launcher appends -W:1, which would win: Kestrix is started directly here.
    BatchRun run;
    ASSERT_TRUE(run.StartKestrix("KEEP -M:S -W:0 " + Ethernet()));
    ASSERT_NE(run.WaitForMainWindow(kRunMs), nullptr);
    test_support::WaitReceived(m_printer, "main", 4);
    ExpectReceived(Bytes{'K', 'E', 'E', 'P'});
    EXPECT_FALSE(run.FollowUntilExit(2000)) << "the window closed although -W:0 was given";
    EXPECT_TRUE(run.CloseAndFollow(kRunMs));
}

TEST_F(BatchE2E, ClosingDuringAWaitEndsTheProgramWithinFiveSeconds)
{
    // A download waiting on a printer that never answers its erase, a repeated send in its 60 s
    // pause, and a file and a header firmware image sent to a printer that has stopped reading:
    // every way out ends the process at once, and the log is closed properly.
    ASSERT_TRUE(m_printer.Ok("FW ON"));
    ASSERT_TRUE(m_printer.Ok("FW SIZE 0"));
    ASSERT_TRUE(m_printer.Ok("FW REPLY erase -"));
    const std::string image = WriteSample("silent.bin", test_support::SampleBytes(65536, 5));
    const std::string file = WriteSample("pause.bin", test_support::SampleBytes(3000, 6));
    // Far more than the connection holds while nothing is read.
    const std::string large = WriteSample("stalled.bin", test_support::SampleBytes(16 << 20, 8));
    const std::string headerImage = WriteSample("stalled_header.bin", HeaderImage(12 << 20));
    struct Wait {
        const char* what;
        std::string arguments;
        std::function<bool()> reached;
        const char* before = nullptr;   // a printer command before the start
        const char* then = nullptr;     // and one once the wait is reached
    };
    const Wait waits[] = {
        {"erase unanswered", image + " -M:D -W:0 " + Ethernet(),
         [&] { return m_printer.Command("FW LOG").find("erase") != std::string::npos; }},
        {"repeat pause", file + " -M:T -R:2 -D:60000 -W:0 " + Ethernet(),
         [&] {
             const auto received = m_printer.Received("main");
             return received && received->length == 3000;
         }},
        // The printer reads a trickle until the send (or the image after its handshake) has begun,
        // then nothing at all.
        {"file sent to a printer that stopped reading", large + " -M:T -W:0 " + Ethernet(),
         [&] {
             const auto received = m_printer.Received("main");
             return received && received->length > 0;
         },
         "TCP SLOW main 100", "TCP STALL main ON"},
        {"header image sent to a printer that stopped reading", headerImage + " -M:D -W:0 " + Ethernet(),
         [&] { return m_printer.Command("FW LOG").find("hs") != std::string::npos; }, "TCP SLOW main 100",
         "TCP STALL main ON"},
    };
    struct Way {
        const char* what;
        UINT message;
        WPARAM wParam;
    };
    const Way ways[] = {{"close box", WM_CLOSE, 0}, {"system menu", WM_SYSCOMMAND, SC_CLOSE},
                        {"the X key", WM_KEYDOWN, 'X'}};
    for (const Wait& wait : waits) {
        for (const Way& way : ways) {
            SCOPED_TRACE(std::string(wait.what) + ", " + way.what);
            // What the run before left unread is dropped, not taken as this run's bytes.
            ASSERT_NO_FATAL_FAILURE(FreshPrinter());
            ASSERT_TRUE(m_printer.Ok("FW RESET"));
            ASSERT_TRUE(m_printer.Ok("FW SIZE 0"));
            ASSERT_TRUE(m_printer.Ok("FW REPLY erase -"));
            if (wait.before) {
                ASSERT_TRUE(m_printer.Ok(wait.before));
            }
            BatchRun run;
            ASSERT_TRUE(run.StartKestrix(wait.arguments));
            ASSERT_NE(run.WaitForMainWindow(kRunMs), nullptr);
            ASSERT_TRUE(test_support::WaitWhileReceiving(m_printer, "main", wait.reached));
            if (wait.then) {
                ASSERT_TRUE(m_printer.Ok(wait.then));
            }
            Sleep(300);
            const DWORD start = GetTickCount();
            ASSERT_TRUE(run.CloseAndFollow(kRunMs, way.message, way.wParam));
            EXPECT_LT(GetTickCount() - start, 5000u);
            EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front();
            ASSERT_EQ(run.SessionLogs().size(), 1u);
            const std::string log = ReadFileText(run.SessionLogs().front());
            EXPECT_NE(LastLogEntry(log).find("Close Session."), std::string::npos) << LastLogEntry(log);
            EXPECT_EQ(log.find("did not end in time"), std::string::npos);
        }
    }

    // The operator's abort (Start pressed again) of the stalled send ends it at once too, and the
    // batch end that follows is the same clean way out.
    ASSERT_NO_FATAL_FAILURE(FreshPrinter());
    ASSERT_TRUE(m_printer.Ok("TCP SLOW main 100"));
    BatchRun run;
    ASSERT_TRUE(run.StartKestrix(large + " -M:T -W:1 " + Ethernet()));
    ASSERT_NE(run.WaitForMainWindow(kRunMs), nullptr);
    ASSERT_TRUE(test_support::WaitReceived(m_printer, "main", 1));
    ASSERT_TRUE(m_printer.Ok("TCP STALL main ON"));
    Sleep(300);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(run.CloseAndFollow(kRunMs, WM_COMMAND, MAKEWPARAM(IDC_START_FILE, BN_CLICKED)));
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front();
    ASSERT_EQ(run.SessionLogs().size(), 1u);
    const std::string log = ReadFileText(run.SessionLogs().front());
    EXPECT_NE(log.find("Abort File Transfer."), std::string::npos);
    EXPECT_NE(log.find("Close Ethernet Port"), std::string::npos);
    EXPECT_NE(LastLogEntry(log).find("Close Session."), std::string::npos) << LastLogEntry(log);
    EXPECT_EQ(log.find("did not end in time"), std::string::npos);
}

TEST_F(BatchE2E, InvalidValuesShowErrors31To36AndTheStartIsInteractive)
{
    BatchRun run;
    ASSERT_TRUE(run.StartKestrix("F -I:Z -I:U -O:3 -B:1234 -P:Z -H:Z " + Ethernet()));
    ASSERT_NE(run.WaitForMainWindow(kRunMs), nullptr);
    const std::vector<std::string> expected = {"Error - Invalid Port Type",   "Error - Invalid Port Id",
                                               "Error - Invalid Baud Rate",   "Error - Invalid Parity",
                                               "Error - Invalid Handshaking", "Error - Batch Mode not Specified"};
    EXPECT_EQ(run.Boxes(), expected);
    EXPECT_TRUE(run.CloseAndFollow(kRunMs));
    // Shown before the log existed, they are written to it once it opens.
    ASSERT_EQ(run.SessionLogs().size(), 1u);
    const std::string log = ReadFileText(run.SessionLogs().front());
    for (const std::string& text : expected)
        EXPECT_NE(log.find(text), std::string::npos) << text;
    ExpectReceived({});
}

TEST_F(BatchE2E, InvalidModeShowsError30AndTheWindowClosesWithoutALog)
{
    BatchRun run;
    DWORD launcherExit = 0xFFFF;
    ASSERT_TRUE(run.StartThroughLauncher("F -M:Q " + Ethernet(), launcherExit));
    ASSERT_TRUE(run.FollowUntilExit(kRunMs));
    EXPECT_EQ(run.Boxes(), std::vector<std::string>{"Error - Invalid Batch Mode"});
    EXPECT_TRUE(run.SessionLogs().empty());
}

TEST_F(BatchE2E, LoneTokenShowsTheSyntaxBoxAndLeavesNoLog)
{
    struct LoneCase {
        const char* what;
        bool launcher;
        const char* arguments;
    };
    // The launcher with no argument gives Kestrix "-W:1" alone.
    for (const LoneCase& c : {LoneCase{"Kestrix file.txt", false, "file.txt"}, LoneCase{"KestrixCli", true, ""}}) {
        SCOPED_TRACE(c.what);
        BatchRun run;
        DWORD launcherExit = 0xFFFF;
        ASSERT_TRUE(c.launcher ? run.StartThroughLauncher(c.arguments, launcherExit) : run.StartKestrix(c.arguments));
        ASSERT_TRUE(run.FollowUntilExit(kRunMs));
        ASSERT_EQ(run.Boxes().size(), 1u);
        EXPECT_EQ(run.Boxes()[0], CommandLineSyntaxText());
        EXPECT_TRUE(run.SessionLogs().empty());
    }
}

} // namespace
