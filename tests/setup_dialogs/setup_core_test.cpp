// The set-up dialogs' code that needs no Windows: the INF copy byte for byte, device rows, the
// device commands and USB instance ids.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/custom_inf.h"
#include "core/device_command.h"
#include "core/device_row.h"
#include "core/usb_instance_id.h"

namespace {

std::vector<unsigned char> Bytes(std::string_view s)
{
    return std::vector<unsigned char>(s.begin(), s.end());
}

std::vector<unsigned char> ReadTemplate()
{
    std::ifstream in(KX_CUSTOM_INF, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(CustomInf, OnlyTheFirstHardwareIdPlaceTakesTheDeviceIds)
{
    const std::vector<unsigned char> original = ReadTemplate();
    ASSERT_FALSE(original.empty()) << KX_CUSTOM_INF;
    std::vector<unsigned char> patched = original;
    ASSERT_TRUE(PatchCustomInf(patched, "1A2B", "3C4D"));

    // Exactly the eight id bytes of the first place differ; the template's size and every other
    // byte (the second place, the CR LF line ends) are as they were.
    ASSERT_EQ(patched.size(), original.size());
    const std::string text(original.begin(), original.end());
    const std::size_t first = text.find("VID_0000");
    const std::size_t second = text.find("VID_0000", first + 1);
    ASSERT_NE(second, std::string::npos);
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < original.size(); ++i)
        if (patched[i] != original[i])
            changed.push_back(i);
    EXPECT_EQ(changed, (std::vector<std::size_t>{first + 4, first + 5, first + 6, first + 7, first + 13, first + 14,
                                                first + 15, first + 16}));
    const std::string result(patched.begin(), patched.end());
    EXPECT_EQ(result.substr(first, 17), "VID_1A2B&PID_3C4D");
    EXPECT_EQ(result.substr(second, 17), "VID_0000&PID_0000");
}

TEST(CustomInf, TemplatesWithoutARoomyPlaceOrBadIdsAreRefusedUntouched)
{
    struct Case {
        std::string bytes;
        const char* vid;
        const char* pid;
        bool patched;
        std::string result;
    };
    const Case cases[] = {
        {"x VID_0000&PID_0000 y", "12AB", "34CD", true, "x VID_12AB&PID_34CD y"},
        // The five bytes between the ids are neither looked at nor changed.
        {"VID_0000#ABC#0000", "1234", "5678", true, "VID_1234#ABC#5678"},
        {"VID_0000&PID_000", "1234", "5678", false, "VID_0000&PID_000"},   // cut short by the end
        {"no place here", "1234", "5678", false, "no place here"},
        {"vid_0000&pid_0000", "1234", "5678", false, "vid_0000&pid_0000"}, // the marker is exact
        {"VID_0000&PID_0000", "123", "5678", false, "VID_0000&PID_0000"},
        {"VID_0000&PID_0000", "1234", "56789", false, "VID_0000&PID_0000"},
        {std::string("\0VID_0000\0PID_0000\0", 19), "ABCD", "EF01", true,
         std::string("\0VID_ABCD\0PID_EF01\0", 19)},
        {"", "1234", "5678", false, ""},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> bytes = Bytes(c.bytes);
        EXPECT_EQ(PatchCustomInf(bytes, c.vid, c.pid), c.patched) << c.bytes;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.result);
    }
}

TEST(CustomInf, CopyIsNamedAfterTheDeviceIds)
{
    EXPECT_EQ(CustomInfFileName("1A2B", "3C4D"), "custom_1A2B_3C4D.INF");
}

TEST(DeviceRow, FieldsAreTheTextsBetweenTabsEmptyOnesIncluded)
{
    struct Case {
        const char* row;
        std::size_t max;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"\t192.168.1.10\t00-1B-0A-FF-00-01\tKX-80\t", 29, {"192.168.1.10", "00-1B-0A-FF-00-01", "KX-80"}},
        {"\t10.0.0.9\tAC-DE-48-00-11-22\t\t", 29, {"10.0.0.9", "AC-DE-48-00-11-22", ""}},
        {"COM1", 29, {}},                                  // a port row of another transport
        {"lead\tA\tB", 29, {"A"}},                           // text outside the TABs is no field
        {"\tABCDEFGHIJ\t", 4, {"ABCD"}},
        {"", 29, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitRowFields(c.row, c.max), c.fields) << c.row;
}

TEST(DeviceRow, MissingTextsAreOneBlankAndLongRowsAreCut)
{
    const std::vector<std::string> fields = {"", "Printer", "1A2B", "3C4D", "SER", "", ""};
    EXPECT_EQ(JoinRowFields(fields, 255), "\t \tPrinter\t1A2B\t3C4D\tSER\t \t \t");
    EXPECT_EQ(SplitRowFields(JoinRowFields(fields, 255), 199),
              (std::vector<std::string>{" ", "Printer", "1A2B", "3C4D", "SER", " ", " "}));
    const std::vector<std::string> wide = {std::string(300, 'x')};
    EXPECT_EQ(JoinRowFields(wide, 255).size(), 255u);
}

TEST(DeviceCommand, CommandsKeepZeroBytesAndTheirFullLength)
{
    const MacBytes mac = {0x00, 0x1B, 0x00, 0xFF, 0x00, 0x01};
    const std::vector<unsigned char> chip = MakeChangeIpCommand(mac, IpOctets{10, 0, 0, 7});
    EXPECT_EQ(chip.size(), kChangeIpCommandLength + 1);
    EXPECT_EQ(chip, Bytes(std::string("IP=CHIP\x00\x1B\x00\xFF\x00\x01\x0A\x00\x00\x07\x00", 18)));

    const std::vector<unsigned char> chno = MakeChangeNameCommand(mac, "ABC");
    EXPECT_EQ(chno.size(), kChangeNameCommandLength + 1);
    EXPECT_EQ(chno, Bytes(std::string("IP=CHNO\x00\x1B\x00\xFF\x00\x01" "ABC       \x00", 24)));

    const std::vector<unsigned char> rest = MakeRebootCommand(mac);
    EXPECT_EQ(rest.size(), kRebootCommandLength + 1);
    EXPECT_EQ(rest, Bytes(std::string("IP=REST\x00\x1B\x00\xFF\x00\x01\x00", 14)));
}

TEST(DeviceCommand, NamesArePaddedOrCutToTenCharacters)
{
    EXPECT_EQ(PadDeviceName("ABC"), "ABC       ");
    EXPECT_EQ(PadDeviceName(""), "          ");
    EXPECT_EQ(PadDeviceName("0123456789"), "0123456789");
    EXPECT_EQ(PadDeviceName("0123456789AB"), "0123456789");
    const int values[6] = {0x100, 0x1B, 0, 0xFF, -1, 2};
    EXPECT_EQ(MacBytesOf(values), (MacBytes{0x00, 0x1B, 0x00, 0xFF, 0xFF, 0x02}));
}

TEST(UsbInstanceId, OnlyUsbVidIdsAreReadIntoTheirParts)
{
    const auto full = ParseUsbInstanceId("USB\\VID_1A2B&PID_3C4D\\KX0001");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->vid, "1A2B");
    EXPECT_EQ(full->pid, "3C4D");
    EXPECT_EQ(full->serial, "KX0001");
    EXPECT_FALSE(ParseUsbInstanceId("USB\\ROOT_HUB20\\4&1234"));
    EXPECT_FALSE(ParseUsbInstanceId("usb\\VID_1A2B&PID_3C4D\\1"));
    EXPECT_FALSE(ParseUsbInstanceId("ROOT\\USB\\0000"));
    const auto shortId = ParseUsbInstanceId("USB\\VID_1A");
    ASSERT_TRUE(shortId);
    EXPECT_EQ(shortId->vid, "1A");
    EXPECT_EQ(shortId->pid, "");
    EXPECT_EQ(shortId->serial, "");
}

TEST(UsbInstanceId, HardwareIdMatchesInstanceIdsOfThatDeviceOnly)
{
    const std::string hw = UsbHardwareId("1A2B", "3C4D");
    EXPECT_EQ(hw, "USB\\VID_1A2B&PID_3C4D");
    EXPECT_EQ(hw.size(), kUsbHardwareIdChars);
    EXPECT_TRUE(MatchesHardwareId("USB\\VID_1A2B&PID_3C4D\\KX0001", hw));
    EXPECT_TRUE(MatchesHardwareId("USB\\VID_1A2B&PID_3C4D&MI_00\\7&1", hw));
    EXPECT_FALSE(MatchesHardwareId("USB\\VID_1A2B&PID_3C4E\\KX0001", hw));
    EXPECT_FALSE(MatchesHardwareId("usb\\vid_1a2b&pid_3c4d\\KX0001", hw));
    EXPECT_EQ(DriverFileName("\\SystemRoot\\System32\\drivers\\veltra.sys"), "veltra.sys");
    EXPECT_EQ(DriverFileName("usbprint"), "usbprint");
}
