// Host tests of the USB transport's descriptor scans, descriptor report, port status decode and
// driver error texts.
#include "usb_descriptors.h"
#include "usb_error_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace usb_descriptors;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Config() { return {9, 2, 0, 0, 1, 1, 0, 0xC0, 50}; }
Bytes Interface(uint8_t cls, uint8_t sub) { return {9, 4, 0, 0, 4, cls, sub, 2, 0}; }
Bytes Endpoint(uint8_t address, uint8_t attributes) { return {7, 5, address, attributes, 0x40, 0, 0}; }

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::string Dump(const Bytes& set, int* result = nullptr, size_t capacity = 65536)
{
    std::vector<char> text(capacity, 0);
    int r = DumpDescriptors(text.data(), capacity, set.data(), set.size());
    if (result) *result = r;
    return text.data();
}

TEST(UsbDescriptors, EndpointsAreFoundByTypeAndDirection)
{
    struct Case {
        const char* name;
        Bytes set;
        ScanResult result;
        Endpoints expected;
    };
    const Case cases[] = {
        {"all four", Join({Config(), Interface(7, 1), Endpoint(0x81, 2), Endpoint(0x02, 2), Endpoint(0x83, 3), Endpoint(0x04, 3)}),
         ScanResult::Ok, {0x81, 0x02, 0x83, 0x04}},
        {"no interrupt IN", Join({Config(), Interface(7, 1), Endpoint(0x81, 2), Endpoint(0x02, 2), Endpoint(0x04, 3)}),
         ScanResult::Ok, {0x81, 0x02, 0, 0x04}},
        {"last of a kind kept", Join({Config(), Interface(7, 1), Endpoint(0x81, 2), Endpoint(0x85, 2)}),
         ScanResult::Ok, {0x85, 0, 0, 0}},
        {"isochronous and control ignored", Join({Config(), Endpoint(0x81, 1), Endpoint(0x02, 0)}),
         ScanResult::Ok, {0, 0, 0, 0}},
        {"class-specific passed over", Join({Config(), Bytes{5, 0x24, 1, 2, 3}, Endpoint(0x02, 2)}),
         ScanResult::Ok, {0, 0x02, 0, 0}},
        {"unknown type", Join({Config(), Bytes{4, 0x30, 0, 0}, Endpoint(0x81, 2)}), ScanResult::UnknownType,
         {0, 0, 0, 0}},
        {"empty", Bytes{}, ScanResult::Empty, {0, 0, 0, 0}},
        {"walk stops at a length past the end", Join({Config(), Bytes{40, 5, 0x81, 2}}), ScanResult::Ok, {0, 0, 0, 0}},
        {"walk stops at length 0", Join({Config(), Bytes{0, 5}, Endpoint(0x81, 2)}), ScanResult::Ok, {0, 0, 0, 0}},
        {"short endpoint reads no neighbour", Join({Config(), Bytes{3, 5, 0x81}, Endpoint(0x02, 2)}), ScanResult::Ok,
         {0, 0x02, 0, 0}},
    };
    for (const Case& c : cases) {
        Endpoints found;
        EXPECT_EQ(ScanEndpoints(c.set.data(), c.set.size(), found), c.result) << c.name;
        EXPECT_EQ(found.bulkIn, c.expected.bulkIn) << c.name;
        EXPECT_EQ(found.bulkOut, c.expected.bulkOut) << c.name;
        EXPECT_EQ(found.interruptIn, c.expected.interruptIn) << c.name;
        EXPECT_EQ(found.interruptOut, c.expected.interruptOut) << c.name;
    }
}

TEST(UsbDescriptors, PrinterClassIsDecidedByTheLastInterface)
{
    struct Case {
        const char* name;
        Bytes set;
        int before;
        ScanResult result;
        int printerClass;
    };
    const Case cases[] = {
        {"printer class", Join({Config(), Interface(7, 1)}), 0, ScanResult::Ok, 1},
        {"printer subclass only", Join({Config(), Interface(0xFF, 1)}), 0, ScanResult::Ok, 1},
        {"vendor class", Join({Config(), Interface(0xFF, 0)}), 1, ScanResult::Ok, 0},
        {"last interface decides", Join({Config(), Interface(7, 1), Interface(8, 6)}), 0, ScanResult::Ok, 0},
        {"no interface keeps the flag", Join({Config(), Endpoint(0x81, 2)}), 1, ScanResult::Ok, 1},
        {"unknown type", Join({Config(), Bytes{2, 0x0B}, Interface(7, 1)}), 0, ScanResult::UnknownType, 0},
        {"empty", Bytes{}, 0, ScanResult::Empty, 0},
    };
    for (const Case& c : cases) {
        int printerClass = c.before;
        EXPECT_EQ(ScanPrinterInterface(c.set.data(), c.set.size(), printerClass), c.result) << c.name;
        EXPECT_EQ(printerClass, c.printerClass) << c.name;
    }
}

TEST(UsbDescriptors, PortStatusDecodesErrorAndPaperEmpty)
{
    struct Case {
        uint8_t port;
        uint32_t before;
        uint32_t after;
    };
    const Case cases[] = {{0x18, 0, 0}, {0x10, 0, 1}, {0x38, 0, 2}, {0x30, 0, 3}, {0x18, 3, 0}, {0x00, 0xF0, 0xF1}};
    for (const Case& c : cases) EXPECT_EQ(DecodePortStatus(c.port, c.before), c.after) << int(c.port);
}

TEST(UsbDescriptors, DeviceDescriptorReportNamesUnsupportedStrings)
{
    Bytes device{18, 1, 0x00, 0x02, 0, 0, 0, 64, 0x58, 0x4B, 0x07, 0x01, 0x00, 0x01, 1, 0, 3, 1};
    int result = 0;
    std::string text = Dump(device, &result);
    EXPECT_EQ(result, 1);
    EXPECT_NE(text.find("************ DEVICE DESCRIPTOR ******************\r\nbLength             = 0x12\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("bDeviceClass        = 0x00 - See Interface Descriptors\r\n"), std::string::npos);
    EXPECT_NE(text.find("idVendor            = 0x4B58\r\n"), std::string::npos);
    EXPECT_NE(text.find("iManufacturer       = 0x01\r\n"), std::string::npos);
    EXPECT_NE(text.find("iProduct            = 0x00 - Not supported\r\n"), std::string::npos);
    EXPECT_NE(text.find("bNumConfigurations  = 0x01\r\n\r\n"), std::string::npos);
}

TEST(UsbDescriptors, ConfigurationReportDescribesInterfaceAndEndpoints)
{
    Bytes set = Join({Bytes{9, 2, 32, 0, 1, 1, 0, 0x60, 50}, Interface(7, 1), Endpoint(0x81, 2), Endpoint(0x04, 3)});
    std::string text = Dump(set);
    for (const char* line :
         {"bmAttributes        = 0x60 - Self powered - Remote Wakeup\r\n", "MaxPower            = 0x32 - 100 mA\r\n\r\n",
          "bInterfaceClass     = 0x07 - Printer\r\n", "bInterfaceSubClass  = 0x01 - Printer\r\n",
          "bEndpointAddress    = 0x81 - IN\r\nbmAttributes        = 0x02 - BULK\r\n",
          "bEndpointAddress    = 0x04 - OUT\r\nbmAttributes        = 0x03 - INTERRUPT\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    // Values without a name keep the program's own wording.
    std::string odd = Dump(Join({Bytes{9, 4, 0, 0, 0, 0x42, 0, 9, 0}}));
    EXPECT_NE(odd.find("bInterfaceClass     = 0x42 - ERROR : invalid valuer\n"), std::string::npos);
    EXPECT_NE(odd.find("bInterfaceProtocol  = 0x09- Reserved for future use\r\n"), std::string::npos);
}

TEST(UsbDescriptors, DumpEndsAtAnUnknownTypeAndStaysInsideItsBuffer)
{
    int result = 1;
    std::string text = Dump(Join({Config(), Bytes{3, 0x40, 0}, Interface(7, 1)}), &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(text.find("INTERFACE"), std::string::npos);
    // A small buffer is filled and terminated, never overrun (ASan watches the vector).
    std::string cut = Dump(Join({Config(), Interface(7, 1), Endpoint(0x81, 2)}), nullptr, 100);
    EXPECT_EQ(cut.size(), 99u);
}

TEST(UsbErrorText, KnownAndUnknownStatuses)
{
    struct Case {
        uint32_t status;
        const char* text;
    };
    const Case cases[] = {
        {0, "Error code 0x00000000: No error."},
        {0xE0000004, "Error code 0xE0000004: HC Error: stall PID."},
        {0xE0001105, "Error code 0xE0001105: An invalid parameter was passed."},
        {0xE000101C, "Error code 0xE000101C: API Version does not match."},
        {0x00000005, "Error code 0x00000005: Windows system error code."},
    };
    for (const Case& c : cases) {
        char buffer[256];
        EXPECT_STREQ(GetErrorText(buffer, sizeof buffer, c.status), c.text);
    }
    char small[12] = "untouched";
    EXPECT_EQ(GetErrorText(small, 0, 0), small);
    EXPECT_STREQ(small, "untouched");
    EXPECT_STREQ(GetErrorText(small, sizeof small, 0), "Error code ");
    EXPECT_EQ(GetErrorText(nullptr, 10, 0), nullptr);
}

}  // namespace
