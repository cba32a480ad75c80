// The device protocol's datagrams, records, rows and confirmations.
#include "device_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace device_protocol;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Record(const char* tag, Bytes mac, Bytes ip, const std::string& name)
{
    Bytes r(tag, tag + 4);
    r.insert(r.end(), mac.begin(), mac.end());
    r.insert(r.end(), ip.begin(), ip.end());
    Bytes n(name.begin(), name.end());
    n.resize(kNameSize, 0);
    r.insert(r.end(), n.begin(), n.end());
    return r;
}

std::vector<std::string> Rows(const Bytes& datagram)
{
    std::vector<std::string> rows;
    ForEachDeviceRecord(datagram, [&](const DeviceRecord& record) {
        char row[kRowSize];
        FormatDeviceRow(record, row);
        rows.emplace_back(row);
    });
    return rows;
}

const Bytes kMacA = {0x00, 0x1B, 0x0A, 0xFF, 0x00, 0x01};
const Bytes kMacB = {0xAC, 0xDE, 0x48, 0x00, 0x11, 0x22};

}  // namespace

TEST(DeviceProtocol, DiscoveryRowsFollowTheRecordsOfOneDatagram)
{
    struct Case {
        const char* what;
        Bytes datagram;
        std::vector<std::string> rows;
    };
    Bytes a = Record("INIP", kMacA, {192, 168, 1, 10}, "KX-80");
    Bytes b = Record("inip", kMacB, {10, 0, 0, 255}, "ABCDEFGHIJ");
    Bytes other = Record("XXIP", kMacB, {1, 2, 3, 4}, "nope");
    auto join = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const std::string rowA = "\t192.168.1.10\t00-1B-0A-FF-00-01\tKX-80\t";
    const std::string rowB = "\t10.0.0.255\tAC-DE-48-00-11-22\tABCDEFGHIJ\t";
    const Case cases[] = {
        {"one record", a, {rowA}},
        {"two back to back, tag in any case", join({a, b}), {rowA, rowB}},
        {"a record with another tag is skipped, the next still read", join({other, b}), {rowB}},
        {"a trailing part record is dropped", join({a, Bytes(b.begin(), b.begin() + 23)}), {rowA}},
        {"a part record alone gives nothing", Bytes(a.begin(), a.begin() + 7), {}},
        {"empty datagram", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Rows(c.datagram), c.rows) << c.what;
}

TEST(DeviceProtocol, NamesAreMadeSafeForTheRowFormat)
{
    struct Case {
        Bytes name;
        std::string shown;
    };
    const Case cases[] = {
        {{'A', '\t', 'B', '\r', '\n', 0x7F, 'C'}, "A?B???C"},
        {{'A', 'B', 0, 'C'}, "AB"},               // the name ends at its terminator
        {{0xE9, 't', 0xE9}, "\xE9t\xE9"},         // ANSI letters stay
    };
    for (const Case& c : cases) {
        Bytes r = Record("INIP", kMacA, {1, 2, 3, 4}, "");
        std::copy(c.name.begin(), c.name.end(), r.begin() + 14);
        DeviceRecord record;
        ASSERT_TRUE(DecodeRecord(std::span<const uint8_t, kRecordSize>(r.data(), kRecordSize), record));
        EXPECT_EQ(std::string(record.name), c.shown);
        char row[kRowSize];
        FormatDeviceRow(record, row);
        EXPECT_EQ(std::count(row, row + std::strlen(row), '\t'), 4);
    }
}

TEST(DeviceProtocol, CommandStringsBecomeDatagramsOfTheirFixedLength)
{
    struct Case {
        std::string command;   // may hold zeros
        bool known;
        Bytes datagram;
    };
    std::string mac(kMacA.begin(), kMacA.end());
    std::string zeroMac(6, '\0');
    const Case cases[] = {
        {"IP=CHIP" + mac + std::string("\x0A\x00\x00\x07", 4), true,
         {'C', 'H', 'I', 'P', 0x00, 0x1B, 0x0A, 0xFF, 0x00, 0x01, 0x0A, 0x00, 0x00, 0x07}},
        {"ip=chno" + zeroMac + "NEW NAME  ", true,
         {'C', 'H', 'N', 'O', 0, 0, 0, 0, 0, 0, 'N', 'E', 'W', ' ', 'N', 'A', 'M', 'E', ' ', ' '}},
        {"IP=REST" + mac, true, {'R', 'E', 'S', 'T', 0x00, 0x1B, 0x0A, 0xFF, 0x00, 0x01}},
        {"IP=INIP", false, {}},
        {"IP=", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        std::string buffer = c.command;
        buffer.resize(c.command.size() + 32, '\0');   // the caller's terminated buffer
        Datagram d;
        EXPECT_EQ(CommandDatagram(buffer.c_str(), d), c.known) << c.command;
        EXPECT_EQ(Bytes(d.bytes, d.bytes + d.length), c.datagram) << c.command;
    }
    Datagram d;
    EXPECT_FALSE(CommandDatagram(nullptr, d));
}

TEST(DeviceProtocol, OnlyTheCommandsOwnAckConfirmsIt)
{
    std::string command = "IP=REST" + std::string(kMacA.begin(), kMacA.end());
    Datagram d;
    ASSERT_TRUE(CommandDatagram(command.c_str(), d));
    Bytes ack = {'R', 'E', 'S', 'T', 0x00, 0x1B, 0x0A, 0xFF, 0x00, 0x01, kAck};
    struct Case {
        const char* what;
        Bytes reply;
        bool confirms;
    };
    auto with = [&](size_t at, uint8_t value) {
        Bytes r = ack;
        r[at] = value;
        return r;
    };
    Bytes longer = ack;
    longer.push_back(0x55);
    const Case cases[] = {
        {"ACK", ack, true},
        {"ACK with the tag in lower case", with(0, 'r'), true},
        {"ACK followed by more bytes", longer, true},
        {"NAK", with(10, kNak), false},
        {"another MAC", with(9, 0x02), false},
        {"a MAC byte that differs only in case", with(6, 0x2A), false},
        {"another tag", with(3, 'P'), false},
        {"cut before the status", Bytes(ack.begin(), ack.begin() + 10), false},
        {"nothing", {}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsConfirmation(c.reply, d), c.confirms) << c.what;
}

TEST(DeviceProtocol, MacTextAndStrictAddresses)
{
    uint8_t mac[kMacSize] = {0x00, 0x1B, 0x0A, 0xFF, 0x00, 0x01};
    EXPECT_EQ(MacText(mac), "00 - 1B - 0A - FF - 00 - 01");

    struct Case {
        const char* text;
        bool ok;
        uint8_t ip[4];
    };
    const Case cases[] = {
        {"192.168.1.10", true, {192, 168, 1, 10}}, {"0.0.0.0", true, {0, 0, 0, 0}},
        {"255.255.255.255", true, {255, 255, 255, 255}}, {"10.1", false, {}}, {" 10.0.0.1", false, {}},
        {"10.0.0.1 ", false, {}}, {"10.0.0.256", false, {}}, {"10.0.0.0001", false, {}},
        {"10..0.1", false, {}}, {"", false, {}},
    };
    for (const Case& c : cases) {
        uint8_t ip[4] = {};
        EXPECT_EQ(ParseIpv4(c.text, ip), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(std::memcmp(ip, c.ip, 4), 0) << c.text;
    }
}
