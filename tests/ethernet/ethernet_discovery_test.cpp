// Device discovery and device commands by broadcast, against the virtual printer's device table.
// Runs only inside the test's own network namespace (in_test_netns.sh checks it and says so).
#include "ethernet_fixture.h"

#include <cstdlib>
#include <cstring>
#include <string>

using namespace ethernet_test;

namespace {

class DiscoveryTest : public EthernetTest {
protected:
    void SetUp() override
    {
        // Broadcasts leave only inside the namespace that the wrapper made and checked.
        const char* verified = std::getenv("KX_NETNS_VERIFIED");
        if (!verified || !*verified) GTEST_SKIP() << "not inside the test's network namespace";
        EthernetTest::SetUp();
        ASSERT_TRUE(m_printer.Ok("DEVICE CLEAR"));
        ASSERT_TRUE(m_printer.Ok("DISCOVERY SEPARATE"));
        ASSERT_TRUE(m_printer.Ok("CONFIRM ACK"));
        ASSERT_TRUE(m_printer.Ok("NOISE OFF"));
    }

    void AddDevice(const char* mac, const char* ip, const char* nameHex)
    {
        ASSERT_TRUE(m_printer.Ok(std::string("DEVICE ADD ") + mac + " " + ip + " " + nameHex));
    }

    // Discovery as the set-up dialog runs it: room for 255 rows unless told.
    std::vector<std::string> Discover(int capacity = 255, int* result = nullptr, DWORD* tookMs = nullptr)
    {
        std::vector<PortRow> rows(255);
        int count = capacity;
        DWORD start = GetTickCount();
        int r = m_info->EnumDevices(nullptr, nullptr, nullptr, &count, rows.data());
        if (tookMs) *tookMs = GetTickCount() - start;
        if (result) *result = r;
        if (!r)
            for (const Notice& n : TakeNotices()) ADD_FAILURE() << "discovery posted " << n.message << " " << n.wParam;
        std::vector<std::string> listed;
        for (int i = 0; r && i < count; ++i) listed.emplace_back(rows[i]);
        return listed;
    }

    int Command(const char* prefix, const std::string& mac, const std::string& tail)
    {
        std::string command = std::string(prefix) + mac + tail;
        command.push_back('\0');
        return m_info->SetDeviceParams(command.data());
    }
};

const std::string kMacA("\x00\x1B\x0A\xFF\x00\x01", 6);

}  // namespace

TEST_F(DiscoveryTest, TwoPrintersGiveTwoRowsInTheOrderOfArrival)
{
    AddDevice("001B0AFF0001", "192.168.1.10", "4B582D3830");   // "KX-80"
    AddDevice("ACDE48001122", "10.0.0.9", "-");
    int result = 0;
    DWORD took = 0;
    std::vector<std::string> rows = Discover(255, &result, &took);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rows, (std::vector<std::string>{"\t192.168.1.10\t00-1B-0A-FF-00-01\tKX-80\t",
                                              "\t10.0.0.9\tAC-DE-48-00-11-22\t\t"}));
    EXPECT_GE(took, 1900u);
    EXPECT_LT(took, 3500u);
    EXPECT_TRUE(TakeNotices().empty());
}

TEST_F(DiscoveryTest, ThirtyPrintersInSeparateDatagramsAreAllListed)
{
    for (int i = 0; i < 30; ++i) {
        char mac[13], ip[16];
        snprintf(mac, sizeof mac, "0000000000%02X", i);
        snprintf(ip, sizeof ip, "10.1.0.%d", i + 1);
        AddDevice(mac, ip, "505254");
    }
    DWORD took = 0;
    std::vector<std::string> rows = Discover(255, nullptr, &took);
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows[29], "\t10.1.0.30\t00-00-00-00-00-1D\tPRT\t");
    EXPECT_LT(took, 3500u);
    // The caller's capacity bounds the rows; a count of 0 gives none (a client may zero it), and
    // the set-up dialog's rows are meant.
    EXPECT_EQ(Discover(7).size(), 7u);
    EXPECT_EQ(Discover(0).size(), 30u);
}

TEST_F(DiscoveryTest, AnswersTogetherLateOrAmidNoiseGiveTheSameRows)
{
    AddDevice("001B0AFF0001", "192.168.1.10", "4B58093830");   // a TAB inside the name
    AddDevice("ACDE48001122", "10.0.0.9", "4142434445464748494A");
    const std::vector<std::string> expected = {"\t192.168.1.10\t00-1B-0A-FF-00-01\tKX?80\t",
                                               "\t10.0.0.9\tAC-DE-48-00-11-22\tABCDEFGHIJ\t"};
    struct Case {
        const char* mode;
        const char* noise;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"DISCOVERY TOGETHER", "NOISE OFF", expected},
        {"DISCOVERY SEPARATE", "NOISE ON", expected},
        {"DISCOVERY TOGETHER", "NOISE ON", expected},
        {"DISCOVERY SEPARATE 1500", "NOISE OFF", expected},   // late, but within the wait
        {"DISCOVERY SEPARATE 2600", "NOISE OFF", {}},         // after the wait: nobody
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_printer.Ok(c.mode));
        ASSERT_TRUE(m_printer.Ok(c.noise));
        int result = 0;
        EXPECT_EQ(Discover(255, &result), c.rows) << c.mode << " / " << c.noise;
        EXPECT_EQ(result, 1);
        // A late answer has gone out before the next case: the printer sends it at its time, which
        // its own clock keeps (at most 2.6 s), and a printer that no longer answers fails the case.
        const DWORD start = GetTickCount();
        while (m_printer.Command("UDP STATUS").find(" pending=0 ") == std::string::npos) {
            ASSERT_LT(GetTickCount() - start, 15000u) << "the printer's late answer never went out";
            Sleep(10);
        }
    }
}

TEST_F(DiscoveryTest, DeviceCommandsChangeThePrinterAndAreConfirmed)
{
    AddDevice("001B0AFF0001", "192.168.1.10", "4F4C44");   // "OLD"
    EXPECT_EQ(Command("IP=CHIP", kMacA, std::string("\x0A\x00\x00\x07", 4)), 1);
    EXPECT_EQ(Command("IP=CHNO", kMacA, "NEW NAME  "), 1);
    EXPECT_EQ(Command("IP=REST", kMacA, ""), 1);
    EXPECT_EQ(m_printer.Command("DEVICE GET 0"), "OK 001B0AFF0001 10.0.0.7 4E4557204E414D45 1");
    EXPECT_EQ(Discover(), (std::vector<std::string>{"\t10.0.0.7\t00-1B-0A-FF-00-01\tNEW NAME\t"}));
}

TEST_F(DiscoveryTest, NakSilenceAndOtherDevicesAnswersAreFailures)
{
    AddDevice("001B0AFF0001", "192.168.1.10", "4F4C44");
    struct Case {
        const char* confirm;
        const char* noise;
        std::string mac;
        int result;
    };
    const Case cases[] = {
        {"CONFIRM NAK", "NOISE OFF", kMacA, 0},
        {"CONFIRM SILENT", "NOISE OFF", kMacA, 0},
        // Noise brings an ACK for another MAC and an ACK cut short: neither confirms.
        {"CONFIRM NAK", "NOISE ON", kMacA, 0},
        {"CONFIRM ACK", "NOISE OFF", std::string("\x00\x1B\x0A\xFF\x00\x02", 6), 0},   // no such device
        {"CONFIRM ACK", "NOISE ON", kMacA, 1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_printer.Ok(c.confirm));
        ASSERT_TRUE(m_printer.Ok(c.noise));
        EXPECT_EQ(Command("IP=REST", c.mac, ""), c.result) << c.confirm << " / " << c.noise;
    }
    // Only the confirmed reset was applied.
    EXPECT_EQ(m_printer.Command("DEVICE GET 0"), "OK 001B0AFF0001 192.168.1.10 4F4C44 1");
    // A command with none of the three prefixes sends nothing and is no success.
    std::string before = m_printer.Command("UDP STATUS");
    char unknown[] = "IP=XXXX\x00\x1B\x0A\xFF\x00\x01";
    EXPECT_EQ(m_info->SetDeviceParams(unknown), 0);
    EXPECT_EQ(m_printer.Command("UDP STATUS"), before);
}
