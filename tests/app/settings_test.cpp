// Registry settings and histories: defaults on a first run, the round trip, damaged and oversized
// entries. Each test works under its own key of HKCU so runs never meet.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "registry_key.h"
#include "res/resource.h"
#include "settings.h"

namespace {

// The members a SettingsView points at, with the constructor values of the dialogs.
struct Members {
    int hexMode = -1, showUsm = 0;
    CString thesaurus;
    CStringList files{10}, strings{10};
    int filesCount = 0, stringsCount = 0;
    int lottery = 0, kiosk = 0, iface = -1, serialPort = -1, baud = -1, parity = -1, flow = -1, dataBits = -1,
        stopBits = -1, usbOut = -1, monitor = 0, parallelPort = -1;
    DWORD ip = 0;
    int mainPort = 0, rtPort = 0, usmPort = 0, reconnect = 0;

    SettingsView View()
    {
        SettingsView v;
        v.stringMode = Number(IDS_STRING_MODE, hexMode, 1, 2);
        v.showUsm = CheckBox(IDS_SHOW_USM_WINDOW, showUsm, 0);
        v.thesaurusDll = &thesaurus;
        v.filesHistory = &files;
        v.filesHistoryCount = &filesCount;
        v.stringsHistory = &strings;
        v.stringsHistoryCount = &stringsCount;
        v.commParams = {CheckBox(IDS_LOTTERY_PACKET_MODE, lottery, 0),
                        CheckBox(IDS_KIOSK_PACKET_MODE, kiosk, 0),
                        Number(IDS_INTERFACE_TYPE, iface, 0, 4),
                        Number(IDS_SERIAL_PORT_ID, serialPort, 0, 50),
                        Number(IDS_BAUD_RATE, baud, 0, 11),
                        Number(IDS_PARITY, parity, 0, 5),
                        Number(IDS_FLOW_CONTROL, flow, 1, 5),
                        Number(IDS_DATA_BITS, dataBits, 3, 4),
                        Number(IDS_STOP_BITS, stopBits, 0, 3),
                        Number(IDS_USB_OUT_ENDPOINT, usbOut, 0, 2),
                        CheckBox(IDS_CHECK_STATUS_MODE, monitor, 1),
                        Number(IDS_PARALLEL_PORT_ID, parallelPort, 0, 50),
                        Number(IDS_ETHERNET_IP_ADDRESS, ip, 0),
                        NumberInRange(IDS_ETHERNET_PORT, mainPort, 9100, 1, 65535),
                        NumberInRange(IDS_REAL_TIME_ETHERNET_PORT, rtPort, 9105, 1, 65535),
                        NumberInRange(IDS_USM_ETHERNET_PORT, usmPort, 9110, 1, 65535),
                        CheckBox(IDS_RECONNECT_MODE, reconnect, 1)};
        return v;
    }
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_ = "SOFTWARE\\VELTRA\\KESTRIX-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str()); }

    SettingsStore Store() const { return SettingsStore(HKEY_CURRENT_USER, base_.c_str()); }
    std::string Path(const char* sub) const { return sub ? base_ + "\\" + sub : base_; }

    void PutDword(const char* sub, const char* name, DWORD value)
    {
        RegistryKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, Path(sub).c_str(), KEY_ALL_ACCESS));
        key.WriteDword(name, value);
    }
    void PutString(const char* sub, const char* name, const std::string& value)
    {
        RegistryKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, Path(sub).c_str(), KEY_ALL_ACCESS));
        key.WriteString(name, value.c_str());
    }
    bool GetDword(const char* sub, const char* name, DWORD& value)
    {
        RegistryKey key;
        return key.Create(HKEY_CURRENT_USER, Path(sub).c_str(), KEY_QUERY_VALUE) && key.ReadDword(name, value);
    }
    std::string GetString(const char* sub, const char* name)
    {
        RegistryKey key;
        char text[1024] = {};
        if (!key.Create(HKEY_CURRENT_USER, Path(sub).c_str(), KEY_QUERY_VALUE) ||
            !key.ReadString(name, text, sizeof text))
            return "<missing>";
        return text;
    }
    bool KeyExists(const char* sub)
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(sub).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
    }

    // Loads view from this test's key; the log lines of the values it ignored.
    std::vector<std::string> LoadNoting(const SettingsView& view) const;

    // A stored value that was not taken (the member holds another) is logged, once.
    static void ExpectIgnoredIsNoted(const std::vector<std::string>& notes, const std::string& name, DWORD stored,
                                     int taken)
    {
        const bool ignored = static_cast<DWORD>(taken) != stored;
        ASSERT_EQ(notes.size(), ignored ? 1u : 0u);
        if (ignored)
            EXPECT_EQ(notes[0], "Setting " + name + " = " + std::to_string(stored) + " is out of range and is ignored");
    }

    std::string base_;
};

const FileCheck kEveryFileExists = [](const char*) { return true; };

std::vector<std::string> SettingsTest::LoadNoting(const SettingsView& view) const
{
    std::vector<std::string> notes;
    Store().Load(view, kEveryFileExists, [&](const char* line) { notes.push_back(line); });
    return notes;
}

TEST_F(SettingsTest, FirstRunCreatesTheFourKeysAndTakesEveryDefault)
{
    Members m;
    Store().Load(m.View(), kEveryFileExists);

    for (const char* sub : {static_cast<const char*>(nullptr), SettingsStore::kFilesHistoryKey,
                            SettingsStore::kStringsHistoryKey, SettingsStore::kCommParamsKey})
        EXPECT_TRUE(KeyExists(sub)) << (sub ? sub : "main key");
    EXPECT_EQ(m.hexMode, 1);
    EXPECT_EQ(m.showUsm, 0);
    EXPECT_TRUE(m.thesaurus.IsEmpty());
    EXPECT_EQ(m.files.GetCount(), 0);
    EXPECT_EQ(m.strings.GetCount(), 0);
    const int expected[] = {0, 0, 0, 0, 0, 0, 1, 3, 0, 0, 1, 0, 0, 9100, 9105, 9110, 1};
    const int actual[] = {m.lottery, m.kiosk, m.iface, m.serialPort, m.baud, m.parity, m.flow, m.dataBits,
                          m.stopBits, m.usbOut, m.monitor, m.parallelPort, static_cast<int>(m.ip),
                          m.mainPort, m.rtPort, m.usmPort, m.reconnect};
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(actual[i], expected[i]) << "communication parameter #" << i + 1;
}

TEST_F(SettingsTest, SavedSettingsAreReadBackByTheNextRun)
{
    Members first;
    first.hexMode = 0;
    first.showUsm = 1;
    first.iface = 3;
    first.baud = 4;
    first.parity = 2;
    first.flow = 4;
    first.dataBits = 2;
    first.stopBits = 2;
    first.usbOut = 1;
    first.monitor = 0;
    first.parallelPort = 2;
    first.serialPort = 5;
    first.ip = 0xC0A80102;
    first.mainPort = 9200;
    first.rtPort = 9205;
    first.usmPort = 9210;
    first.reconnect = 0;
    first.lottery = 1;
    first.strings.AddTail("A\\n");
    first.files.AddTail("C:\\fw\\main.bin");
    Store().Save(first.View());

    DWORD raw = 0;
    ASSERT_TRUE(GetDword(SettingsStore::kCommParamsKey, "Ethernet IP Address", raw));
    EXPECT_EQ(raw, 0xC0A80102u);
    EXPECT_EQ(GetString(SettingsStore::kStringsHistoryKey, "Hist String #0"), "41 0A ");
    EXPECT_EQ(GetString(SettingsStore::kFilesHistoryKey, "Hist File #0"), "C:\\fw\\main.bin");

    Members second;
    Store().Load(second.View(), kEveryFileExists);
    EXPECT_EQ(second.hexMode, 0);
    EXPECT_EQ(second.showUsm, 1);
    EXPECT_EQ(second.iface, 3);
    EXPECT_EQ(second.baud, 4);
    EXPECT_EQ(second.parity, 2);
    EXPECT_EQ(second.flow, 4);
    EXPECT_EQ(second.dataBits, 2);
    EXPECT_EQ(second.stopBits, 2);
    EXPECT_EQ(second.usbOut, 1);
    EXPECT_EQ(second.monitor, 0);
    EXPECT_EQ(second.parallelPort, 2);
    EXPECT_EQ(second.serialPort, 5);
    EXPECT_EQ(second.ip, 0xC0A80102u);
    EXPECT_EQ(second.mainPort, 9200);
    EXPECT_EQ(second.rtPort, 9205);
    EXPECT_EQ(second.usmPort, 9210);
    EXPECT_EQ(second.reconnect, 0);
    EXPECT_EQ(second.lottery, 1);
    ASSERT_EQ(second.strings.GetCount(), 1);
    EXPECT_EQ(second.strings.GetAt(0), "A\\n");
    ASSERT_EQ(second.files.GetCount(), 1);
}

TEST_F(SettingsTest, FileHistoryEntryOfADeletedFileIsDroppedAndTheRestRenumbered)
{
    PutDword(SettingsStore::kFilesHistoryKey, "Nb Files History", 3);
    PutString(SettingsStore::kFilesHistoryKey, "Hist File #0", "C:\\a.bin");
    PutString(SettingsStore::kFilesHistoryKey, "Hist File #1", "C:\\deleted.bin");
    PutString(SettingsStore::kFilesHistoryKey, "Hist File #2", "C:\\c.bin");

    Members m;
    Store().Load(m.View(), [](const char* path) { return std::string(path) != "C:\\deleted.bin"; });
    ASSERT_EQ(m.files.GetCount(), 2);
    EXPECT_EQ(m.files.GetAt(0), "C:\\a.bin");
    EXPECT_EQ(m.files.GetAt(1), "C:\\c.bin");
    EXPECT_EQ(m.filesCount, 3);  // the count as read, until the next save

    Store().Save(m.View());
    DWORD count = 0;
    ASSERT_TRUE(GetDword(SettingsStore::kFilesHistoryKey, "Nb Files History", count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(m.filesCount, 2);
    EXPECT_EQ(GetString(SettingsStore::kFilesHistoryKey, "Hist File #0"), "C:\\a.bin");
    EXPECT_EQ(GetString(SettingsStore::kFilesHistoryKey, "Hist File #1"), "C:\\c.bin");
    EXPECT_EQ(GetString(SettingsStore::kFilesHistoryKey, "Hist File #2"), "<missing>");
}

TEST_F(SettingsTest, StringHistoryIsReversedIntoTheCurrentFormatAndStoredBackAsHex)
{
    struct Case {
        DWORD stringMode;
        const char* first;   // list entry 0: registry entry 1
        const char* second;  // list entry 1: registry entry 0
    };
    for (const Case& c : {Case{0, "\\r", "AB"}, Case{1, "0D ", "41 42 "}}) {
        SCOPED_TRACE(c.stringMode);
        PutDword(nullptr, "String Mode", c.stringMode);
        PutDword(SettingsStore::kStringsHistoryKey, "Nb String History", 2);
        PutString(SettingsStore::kStringsHistoryKey, "Hist String #0", "41 42 ");
        PutString(SettingsStore::kStringsHistoryKey, "Hist String #1", "0D");

        Members m;
        Store().Load(m.View(), kEveryFileExists);
        ASSERT_EQ(m.strings.GetCount(), 2);
        EXPECT_EQ(m.strings.GetAt(0), c.first);
        EXPECT_EQ(m.strings.GetAt(1), c.second);

        // The close rebuilds the list from the combo box, top row (the newest) first.
        m.strings.RemoveAll();
        m.strings.AddTail(c.second);
        m.strings.AddTail(c.first);
        Store().Save(m.View());
        EXPECT_EQ(GetString(SettingsStore::kStringsHistoryKey, "Hist String #0"), "41 42 ");
        EXPECT_EQ(GetString(SettingsStore::kStringsHistoryKey, "Hist String #1"), "0D ");
    }
}

TEST_F(SettingsTest, DamagedHistoryCountReadsOnlyTheValuesThatExist)
{
    PutDword(SettingsStore::kFilesHistoryKey, "Nb Files History", 0xFFFFFFF0u);
    PutString(SettingsStore::kFilesHistoryKey, "Hist File #0", "C:\\a.bin");
    PutDword(SettingsStore::kStringsHistoryKey, "Nb String History", 0x7FFFFFFFu);
    PutString(SettingsStore::kStringsHistoryKey, "Hist String #0", "41 ");

    Members m;
    Store().Load(m.View(), kEveryFileExists);
    EXPECT_EQ(m.files.GetCount(), 0);  // a negative count reads nothing
    EXPECT_EQ(m.strings.GetCount(), 1);
    Store().Save(m.View());  // deleting the old entries must not walk the damaged count
    DWORD count = 0;
    ASSERT_TRUE(GetDword(SettingsStore::kStringsHistoryKey, "Nb String History", count));
    EXPECT_EQ(count, 1u);
}

TEST_F(SettingsTest, HistoriesWithGapsLoadEveryPresentEntryInOrder)
{
    PutDword(SettingsStore::kFilesHistoryKey, "Nb Files History", 5);
    PutString(SettingsStore::kFilesHistoryKey, "Hist File #0", "C:\\a.bin");
    PutString(SettingsStore::kFilesHistoryKey, "Hist File #4", "C:\\e.bin");
    PutDword(SettingsStore::kStringsHistoryKey, "Nb String History", 5);
    PutString(SettingsStore::kStringsHistoryKey, "Hist String #0", "41 ");
    PutString(SettingsStore::kStringsHistoryKey, "Hist String #4", "45 ");

    Members m;
    Store().Load(m.View(), kEveryFileExists);
    ASSERT_EQ(m.files.GetCount(), 2);
    EXPECT_EQ(m.files.GetAt(0), "C:\\a.bin");
    EXPECT_EQ(m.files.GetAt(1), "C:\\e.bin");
    ASSERT_EQ(m.strings.GetCount(), 2);
    EXPECT_EQ(m.strings.GetAt(0), "45 ");  // registry entry 0 is the newest, the list's last
    EXPECT_EQ(m.strings.GetAt(1), "41 ");
}

TEST_F(SettingsTest, NumbersOutsideTheirRangeTakeTheDefault)
{
    struct Case {
        const char* name;
        DWORD stored;
        int Members::*member;
        int expected;
    };
    const Case cases[] = {
        {"Baud Rate", 10, &Members::baud, 10},     {"Baud Rate", 11, &Members::baud, 0},
        {"Parity", 5, &Members::parity, 0},        {"Flow Control", 7, &Members::flow, 1},
        {"Data Bits", 4, &Members::dataBits, 3},   {"Stop Bits", 0xFFFFFFFF, &Members::stopBits, 0},
        {"Interface Type", 4, &Members::iface, 0}, {"Interface Type", 3, &Members::iface, 3},
        {"Serial Port Id", 50, &Members::serialPort, 0},
        // The Ethernet page's port fields take 1..65535.
        {"Ethernet Port", 0, &Members::mainPort, 9100},   {"USM Ethernet Port", 65536, &Members::usmPort, 9110},
        {"Real Time Ethernet Port", 65535, &Members::rtPort, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " = " + std::to_string(c.stored));
        PutDword(SettingsStore::kCommParamsKey, c.name, c.stored);
        Members m;
        const std::vector<std::string> notes = LoadNoting(m.View());
        EXPECT_EQ(m.*c.member, c.expected);
        ExpectIgnoredIsNoted(notes, c.name, c.stored, c.expected);
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
}

// The program's own settings: a check box takes 0 or 1 only, so the behaviour never differs from
// what the box shows.
TEST_F(SettingsTest, CheckBoxSettingsOutsideZeroAndOneKeepTheirDefault)
{
    struct Case {
        const char* sub;
        const char* name;
        DWORD stored;
        int (*member)(CKestrixDlg&);
        int expected;
    };
    const char* const params = SettingsStore::kCommParamsKey;
    const Case cases[] = {
        {nullptr, "Show USM Window", 2, [](CKestrixDlg& d) { return d.m_bShowUsm; }, 0},
        {params, "Lottery Packet Mode", 2, [](CKestrixDlg& d) { return d.m_bLotteryPacket; }, 0},
        {params, "Kiosk Packet Mode", 0xFFFFFFFF, [](CKestrixDlg& d) { return d.m_bKioskPacket; }, 0},
        {params, "Check Status Mode", 2, [](CKestrixDlg& d) { return d.m_dlgUsb.m_bMonitor; }, 1},
        {params, "Reconnect Mode", 256, [](CKestrixDlg& d) { return d.m_dlgEthernet.m_bAutoReconnect; }, 1},
        {params, "Kiosk Packet Mode", 1, [](CKestrixDlg& d) { return d.m_bKioskPacket; }, 1},
        {params, "Reconnect Mode", 0, [](CKestrixDlg& d) { return d.m_dlgEthernet.m_bAutoReconnect; }, 0},
    };
    CKestrixDlg dlg(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " = " + std::to_string(c.stored));
        PutDword(c.sub, c.name, c.stored);
        const std::vector<std::string> notes = LoadNoting(theApp.MakeSettingsView(dlg));
        EXPECT_EQ(c.member(dlg), c.expected);
        ExpectIgnoredIsNoted(notes, c.name, c.stored, c.expected);
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
}

TEST_F(SettingsTest, NumberOfAnotherTypeButFourBytesLongIsTakenAsItStands)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, Path(SettingsStore::kCommParamsKey).c_str(), KEY_ALL_ACCESS));
    const DWORD port = 9300;
    HKEY raw;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, Path(SettingsStore::kCommParamsKey).c_str(), 0, KEY_SET_VALUE, &raw),
              ERROR_SUCCESS);
    RegSetValueExA(raw, "Ethernet Port", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&port), sizeof port);
    RegSetValueExA(raw, "USM Ethernet Port", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&port), 2);
    RegCloseKey(raw);

    Members m;
    Store().Load(m.View(), kEveryFileExists);
    EXPECT_EQ(m.mainPort, 9300);
    EXPECT_EQ(m.usmPort, 9110);  // two bytes long: the default
}

TEST_F(SettingsTest, EntriesBeyondTheReadingBuffersAreNeitherReadNorStored)
{
    const std::string longPath = "C:\\" + std::string(300, 'p') + ".bin";
    const std::string longestPath = "C:\\" + std::string(248, 'q') + ".bin";  // 255 characters: fits
    PutString(nullptr, "Thesaurus DLL Name", std::string(300, 't'));
    PutDword(SettingsStore::kFilesHistoryKey, "Nb Files History", 2);
    PutString(SettingsStore::kFilesHistoryKey, "Hist File #0", longPath);
    PutString(SettingsStore::kFilesHistoryKey, "Hist File #1", "C:\\b.bin");

    Members m;
    Store().Load(m.View(), kEveryFileExists);
    EXPECT_TRUE(m.thesaurus.IsEmpty());
    ASSERT_EQ(m.files.GetCount(), 1);
    EXPECT_EQ(m.files.GetAt(0), "C:\\b.bin");

    // 100 bytes give 300 characters of hex text: more than a 256-byte read can take back.
    m.hexMode = 0;
    m.strings.AddTail(CString(std::string(100, 'x')));
    m.strings.AddTail("ok");
    m.files.AddTail(CString(longPath));
    m.files.AddTail(CString(longestPath));
    Store().Save(m.View());
    DWORD count = 0;
    ASSERT_TRUE(GetDword(SettingsStore::kStringsHistoryKey, "Nb String History", count));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(GetString(SettingsStore::kStringsHistoryKey, "Hist String #0"), "6F 6B ");
    ASSERT_TRUE(GetDword(SettingsStore::kFilesHistoryKey, "Nb Files History", count));
    EXPECT_EQ(count, 2u);
    Members again;
    Store().Load(again.View(), kEveryFileExists);
    ASSERT_EQ(again.files.GetCount(), 2);
    EXPECT_EQ(again.files.GetAt(1), CString(longestPath));
}

} // namespace
