// Descriptor scans and reports of the USB transport.
#include "usb_descriptors.h"

#include "append_format.h"
#include "hex_dump.h"


namespace usb_descriptors {
namespace {

constexpr uint8_t kDevice = 1, kConfiguration = 2, kString = 3, kInterface = 4, kEndpoint = 5;

bool ClassSpecific(uint8_t type) { return type == 0x21 || type == 0x24 || type == 0x25; }

// Calls visit(descriptor) for each descriptor whose length byte is not 0 and fits in what remains.
// visit returns false to end the walk.
template <typename Visit>
void Walk(const uint8_t* set, size_t length, Visit visit)
{
    size_t at = 0;
    while (at + 2 <= length) {
        uint8_t size = set[at];
        if (size == 0 || size > length - at) return;
        if (!visit(set + at)) return;
        at += size;
    }
}

const char* DeviceClassText(uint8_t c)
{
    switch (c) {
    case 0: return " - See Interface Descriptors\r\n";
    case 2: return " - Communication\r\n";
    case 9: return " - HUB\r\n";
    case 0xDC: return " - Diagnostic Device\r\n";
    case 0xE0: return " - Wireless Controller\r\n";
    case 0xFF: return " - Vendor Specific\r\n";
    default: return " - ERROR : Invalid value\r\n";
    }
}

const char* InterfaceClassText(uint8_t c)
{
    switch (c) {
    case 1: return " - Audio\r\n";
    case 2: return " - CDC Control\r\n";
    case 3: return " - HID\r\n";
    case 5: return " - Physical\r\n";
    case 6: return " - Image\r\n";
    case 7: return " - Printer\r\n";
    case 8: return " - Mass Storage\r\n";
    case 9: return " - HUB\r\n";
    case 10: return " - CDC Data\r\n";
    case 11: return " - Chip/Smart Card\r\n";
    case 13: return " - Content Security\r\n";
    case 0xDC: return " - Diagnostic Device\r\n";
    case 0xE0: return " - Wireless Controller\r\n";
    case 0xFE: return " - Application Specific\r\n";
    case 0xFF: return " - Vendor Specific\r\n";
    default: return " - ERROR : invalid valuer\n";
    }
}

const char* InterfaceProtocolText(uint8_t p)
{
    switch (p) {
    case 0: return " - Reserved, undefined\r\n";
    case 1: return " - Unidirectional interface\r\n";
    case 2: return " - Bidirectional interface\r\n";
    case 3: return " - 1284.4 compatible Bidirectional interface\r\n";
    case 0xFF: return " - Vendor specific\r\n";
    default: return "- Reserved for future use\r\n";
    }
}

void DumpHeader(char* text, size_t capacity, const char* title, const uint8_t* d)
{
    AppendFormat(text, capacity, "%s", title);
    AppendFormat(text, capacity, "bLength             = 0x%02X\r\n", d[0]);
    AppendFormat(text, capacity, "bDescriptorType     = 0x%02X\r\n", d[1]);
}

void DumpStringIndex(char* text, size_t capacity, const char* format, uint8_t index)
{
    AppendFormat(text, capacity, format, index);
    if (index == 0) AppendFormat(text, capacity, " - Not supported");
    AppendFormat(text, capacity, "\r\n");
}

void DumpDevice(char* text, size_t capacity, const uint8_t* d)
{
    DumpHeader(text, capacity, "************ DEVICE DESCRIPTOR ******************\r\n", d);
    AppendFormat(text, capacity, "bcdUSB              = 0x%04X\r\n", Field16(d, 2));
    AppendFormat(text, capacity, "bDeviceClass        = 0x%02X%s", Field8(d, 4), DeviceClassText(Field8(d, 4)));
    AppendFormat(text, capacity, "bDeviceSubClass     = 0x%02X\r\n", Field8(d, 5));
    AppendFormat(text, capacity, "bDeviceProtocol     = 0x%02X\r\n", Field8(d, 6));
    AppendFormat(text, capacity, "bMaxPacketSize0     = 0x%02X\r\n", Field8(d, 7));
    AppendFormat(text, capacity, "idVendor            = 0x%04X\r\n", Field16(d, 8));
    AppendFormat(text, capacity, "idProduct           = 0x%04X\r\n", Field16(d, 10));
    AppendFormat(text, capacity, "bcdDevice           = 0x%04X\r\n", Field16(d, 12));
    DumpStringIndex(text, capacity, "iManufacturer       = 0x%02X", Field8(d, 14));
    DumpStringIndex(text, capacity, "iProduct            = 0x%02X", Field8(d, 15));
    DumpStringIndex(text, capacity, "iSerialNumber       = 0x%02X", Field8(d, 16));
    AppendFormat(text, capacity, "bNumConfigurations  = 0x%02X\r\n\r\n", Field8(d, 17));
}

void DumpConfiguration(char* text, size_t capacity, const uint8_t* d)
{
    DumpHeader(text, capacity, "************ CONFIGURATION DESCRIPTOR ***********\r\n", d);
    AppendFormat(text, capacity, "wTotalLength        = 0x%04X\r\n", Field16(d, 2));
    AppendFormat(text, capacity, "bNumInterfaces      = 0x%02X\r\n", Field8(d, 4));
    AppendFormat(text, capacity, "bConfigurationValue = 0x%02X\r\n", Field8(d, 5));
    AppendFormat(text, capacity, "iConfiguration      = 0x%02X\r\n", Field8(d, 6));
    uint8_t attributes = Field8(d, 7);
    AppendFormat(text, capacity, "bmAttributes        = 0x%02X", attributes);
    if (attributes & 0x40) AppendFormat(text, capacity, " - Self powered");
    if (attributes & 0x20) AppendFormat(text, capacity, " - Remote Wakeup");
    AppendFormat(text, capacity, "\r\n");
    AppendFormat(text, capacity, "MaxPower            = 0x%02X - %d mA\r\n\r\n", Field8(d, 8), Field8(d, 8) * 2);
}

void DumpString(char* text, size_t capacity, const uint8_t* d)
{
    DumpHeader(text, capacity, "************ STRING DESCRIPTOR ******************\r\n", d);
    AppendFormat(text, capacity, "bString (hex)       = ");
    HexDump(1, 0, 1, 22, text, capacity, d + 2, d[0] >= 2 ? d[0] - 2u : 0u);
    AppendFormat(text, capacity, "\r\n\r\n");
}

void DumpInterface(char* text, size_t capacity, const uint8_t* d)
{
    DumpHeader(text, capacity, "************ INTERFACE DESCRIPTOR ***************\r\n", d);
    AppendFormat(text, capacity, "bInterfaceNumber    = 0x%02X\r\n", Field8(d, 2));
    AppendFormat(text, capacity, "bAlternateSetting   = 0x%02X\r\n", Field8(d, 3));
    AppendFormat(text, capacity, "bNumEndpoints       = 0x%02X\r\n", Field8(d, 4));
    AppendFormat(text, capacity, "bInterfaceClass     = 0x%02X%s", Field8(d, 5), InterfaceClassText(Field8(d, 5)));
    AppendFormat(text, capacity, "bInterfaceSubClass  = 0x%02X%s", Field8(d, 6), Field8(d, 6) == 1 ? " - Printer\r\n" : "\r\n");
    AppendFormat(text, capacity, "bInterfaceProtocol  = 0x%02X%s", Field8(d, 7), InterfaceProtocolText(Field8(d, 7)));
    AppendFormat(text, capacity, "iInterface          = 0x%02X\r\n\r\n", Field8(d, 8));
}

void DumpEndpoint(char* text, size_t capacity, const uint8_t* d)
{
    static const char* const kTransferTypes[] = {"- CONTROL\r\n", "- ISOCHRONOUS\r\n", "- BULK\r\n", "- INTERRUPT\r\n"};
    DumpHeader(text, capacity, "************ ENDPOINT DESCRIPTOR ****************\r\n", d);
    uint8_t address = Field8(d, 2);
    AppendFormat(text, capacity, "bEndpointAddress    = 0x%02X %s", address, (address & 0x80) ? "- IN\r\n" : "- OUT\r\n");
    uint8_t attributes = Field8(d, 3);
    AppendFormat(text, capacity, "bmAttributes        = 0x%02X %s", attributes, kTransferTypes[attributes & 3]);
    AppendFormat(text, capacity, "wMaxPacketSize      = 0x%04X\r\n", Field16(d, 4));
    AppendFormat(text, capacity, "bInterval           = 0x%02X - %d ms\r\n\r\n", Field8(d, 6), Field8(d, 6));
}

}  // namespace

uint8_t Field8(const uint8_t* descriptor, size_t offset)
{
    return offset < descriptor[0] ? descriptor[offset] : 0;
}

uint16_t Field16(const uint8_t* descriptor, size_t offset)
{
    return static_cast<uint16_t>(Field8(descriptor, offset) | Field8(descriptor, offset + 1) << 8);
}

ScanResult ScanPrinterInterface(const uint8_t* set, size_t length, int& printerClass)
{
    if (length == 0) return ScanResult::Empty;
    ScanResult result = ScanResult::Ok;
    Walk(set, length, [&](const uint8_t* d) {
        uint8_t type = d[1];
        if (type == kInterface) {
            printerClass = (Field8(d, 5) == 7 || Field8(d, 6) == 1) ? 1 : 0;
        } else if (!(type == kDevice || type == kConfiguration || type == kString || type == kEndpoint ||
                     ClassSpecific(type))) {
            result = ScanResult::UnknownType;
            return false;
        }
        return true;
    });
    return result;
}

ScanResult ScanEndpoints(const uint8_t* set, size_t length, Endpoints& endpoints)
{
    if (length == 0) return ScanResult::Empty;
    ScanResult result = ScanResult::Ok;
    Walk(set, length, [&](const uint8_t* d) {
        uint8_t type = d[1];
        if (type == kEndpoint) {
            uint8_t address = Field8(d, 2);
            uint8_t attributes = Field8(d, 3);
            bool in = (address & 0x80) != 0;
            if (attributes == 2) (in ? endpoints.bulkIn : endpoints.bulkOut) = address;
            if (attributes == 3) (in ? endpoints.interruptIn : endpoints.interruptOut) = address;
        } else if (!(type >= kDevice && type <= kInterface) && !ClassSpecific(type)) {
            result = ScanResult::UnknownType;
            return false;
        }
        return true;
    });
    return result;
}

int DumpDescriptors(char* text, size_t capacity, const uint8_t* set, size_t length)
{
    int result = 1;
    Walk(set, length, [&](const uint8_t* d) {
        switch (d[1]) {
        case kDevice: DumpDevice(text, capacity, d); break;
        case kConfiguration: DumpConfiguration(text, capacity, d); break;
        case kString: DumpString(text, capacity, d); break;
        case kInterface: DumpInterface(text, capacity, d); break;
        case kEndpoint: DumpEndpoint(text, capacity, d); break;
        default:
            if (ClassSpecific(d[1])) break;
            result = 0;
            return false;
        }
        return true;
    });
    return result;
}

uint32_t DecodePortStatus(uint8_t portStatus, uint32_t status)
{
    if (portStatus & 0x08)
        status &= ~1u;
    else
        status |= 1u;
    if (portStatus & 0x20)
        status |= 2u;
    else
        status &= ~2u;
    return status;
}

}  // namespace usb_descriptors
