// Fuzz target: every text conversion, both framings and HexDump on arbitrary input, with the
// properties the program relies on checked (round trips, limits, framed packets read back,
// addresses read as the C library's inet_aton reads them).
#include "core/hex_dump.h"
#include "core/packet_framing.h"
#include "core/text_convert.h"
#include "packet_decoder.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <string>

static void Require(bool ok)
{
    if (!ok)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);

    BytesResult unescaped = UnescapeText(text);
    Require(unescaped.bytes.size() <= kMaxStringBytes);
    Require(TextToHex(text).text == BytesToHex(unescaped.bytes));

    BytesResult bytes = HexToBytes(text);
    Require(bytes.formatErrors == 0 || bytes.bytes.empty());
    TextResult escaped = HexToText(text);
    if (escaped.formatErrors == 0) {
        BytesResult back = UnescapeText(escaped.text);
        Require(back.formatErrors == 0 && back.bytes == bytes.bytes);
    } else {
        Require(escaped.text.empty());
    }

    // The escaped text of any bytes reads back to them.
    std::vector<unsigned char> raw(data, data + (size < kMaxStringBytes ? size : kMaxStringBytes));
    Require(UnescapeText(BytesToEscapedText(raw)).bytes == raw);
    Require(HexToBytes(BytesToHex(raw)).bytes == raw);

    for (auto kind : {PacketDecoder::Kind::Lottery, PacketDecoder::Kind::Kiosk}) {
        std::vector<unsigned char> framed = kind == PacketDecoder::Kind::Lottery
                                                ? FrameLotteryPacket(std::span(data, size))
                                                : FrameKioskPacket(std::span(data, size));
        PacketDecoder decoder(kind);
        decoder.Feed(framed);
        Require(decoder.Errors() == 0);
        Require(size == 0 ? decoder.Packets().empty()
                          : decoder.Packets().size() == 1 && decoder.Packets()[0] == std::vector(data, data + size));
    }

    std::string dump;
    HexDump(size % 2, 1, 1, static_cast<int>(size % 7), dump, data, size);
    char bounded[97] = "";
    HexDump(0, 1, 0, 3, bounded, sizeof bounded, data, size);

    std::string zeroTerminated(text);
    if (zeroTerminated.find('\0') == std::string::npos) {
        std::uint32_t ours = 0;
        in_addr theirs{};
        bool ok = ParseInetAddress(text, ours);
        bool libcOk = inet_aton(zeroTerminated.c_str(), &theirs) != 0;
        Require(ok == libcOk);
        if (ok)
            Require(ours == ntohl(theirs.s_addr));
    }
    int mac[6] = {};
    ParseMacAddress(text, mac);
    HexPairToByte(text);
    return 0;
}
