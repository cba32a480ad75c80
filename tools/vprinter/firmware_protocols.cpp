// The virtual printer's firmware download side: command parsing from the byte stream, the stored
// image, the answers of each step and the FW control commands.
#include "firmware_protocols.h"
#include "crc16.h"
#include "crc32.h"
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>

namespace vprinter {
namespace {

constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kGs = 0x1D;
constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kStatusReady = '*';
constexpr uint8_t kStatusRepeat = '@';
constexpr uint8_t kStatusAccepted = '+';
constexpr uint8_t kStatusBadCrc = '#';
constexpr uint8_t kStatusRefused = 'g';
constexpr uint8_t kHeaderSignature[5] = {0x02, 0x46, 0x44, 0x3B, 0x1F};
constexpr size_t kDataHeaderSize = 6;

constexpr const char* kStepNames[kFirmwareStepCount] = {"mode", "size",  "erase", "select", "data",  "check", "crc",
                                                        "hs",   "hs2",   "status", "final", "close", "unknown"};

bool IsHeaderStep(FirmwareStep step)
{
    return step == FirmwareStep::Handshake || step == FirmwareStep::Handshake2 || step == FirmwareStep::Status ||
           step == FirmwareStep::Final;
}

std::optional<unsigned> ParseUnsigned(const std::string& text)
{
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

const char* FirmwareStepName(FirmwareStep step) { return kStepNames[static_cast<int>(step)]; }

std::optional<FirmwareStep> ParseFirmwareStep(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (int i = 0; i < kFirmwareStepCount; ++i)
        if (lower == kStepNames[i]) return static_cast<FirmwareStep>(i);
    return std::nullopt;
}

FirmwareResponder::FirmwareResponder(PrinterModel& model) : m_model(model) {}

void FirmwareResponder::Enable(bool on)
{
    m_enabled = on;
    if (on) {
        Reset();
        m_model.SetReceiveListener(
            [this](Channel channel, std::span<const uint8_t> bytes, Clock::time_point now) { Receive(channel, bytes, now); });
    } else {
        m_model.SetReceiveListener({});
    }
}

void FirmwareResponder::Reset()
{
    m_sizeByte = 0xFF;
    m_replacements = {};
    m_seen = {};
    m_log.clear();
    m_input.clear();
    m_flash.clear();
    m_sector = -1;
    m_dataOffset = m_dataRemaining = 0;
    m_dataValid = false;
    m_headerImage = m_headerReceiving = false;
    m_headerLength = 0;
    m_image.clear();
}

void FirmwareResponder::SetReply(FirmwareStep step, Bytes reply, unsigned after)
{
    m_replacements[static_cast<int>(step)] = Replacement{true, std::move(reply), after};
}

void FirmwareResponder::Receive(Channel channel, std::span<const uint8_t> bytes, Clock::time_point now)
{
    if (!m_enabled || channel != Channel::Main) return;
    m_input.insert(m_input.end(), bytes.begin(), bytes.end());
    // Each branch consumes from the front of m_input; an incomplete command waits for more bytes.
    while (!m_input.empty()) {
        if (m_dataRemaining > 0) {
            TakeDataBytes(now);
        } else if (m_headerReceiving) {
            TakeHeaderImageBytes(now);
        } else {
            size_t used = ParseCommand(now);
            if (used == 0) return;
            m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(used));
        }
    }
}

size_t FirmwareResponder::ParseCommand(Clock::time_point now)
{
    const Bytes& in = m_input;
    auto need = [&](size_t n) { return in.size() >= n; };
    switch (in[0]) {
    case kEsc:
        if (!need(3)) return 0;
        if (in[1] == 0x5B && in[2] == 0x7D) {
            Answer(FirmwareStep::Mode, {}, now);
            return 3;
        }
        break;
    case kGs:
        if (!need(2)) return 0;
        switch (in[1]) {
        case 0x01:
            Answer(FirmwareStep::Size, {m_sizeByte}, now);
            return 2;
        case 0x0E:
            m_flash.clear();
            m_sector = -1;
            m_headerImage = false;
            m_image.clear();
            Answer(FirmwareStep::Erase, {kAck}, now);
            return 2;
        case 0x02:
            if (!need(3)) return 0;
            m_sector = in[2];
            m_flash.try_emplace(m_sector);
            Answer(FirmwareStep::Select, {kAck}, now);
            return 3;
        case 0x11: {
            if (!need(kDataHeaderSize)) return 0;
            m_dataOffset = static_cast<size_t>(in[2] | in[3] << 8);
            size_t length = static_cast<size_t>(in[4] | in[5] << 8);
            m_dataValid = m_sector >= 0 && m_dataOffset + length <= kSectorSize;
            m_dataRemaining = length;
            if (length == 0) Answer(FirmwareStep::Data, {m_dataValid ? kAck : kNak}, now);
            return kDataHeaderSize;
        }
        case 0x06:
            Answer(FirmwareStep::Check, {FlashComplete() ? kAck : kNak}, now);
            return 2;
        case 0x0F: {
            uint16_t crc = ImageCrc();
            Answer(FirmwareStep::Crc, {0x0F, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}, now);
            return 2;
        }
        case 0xFF:
            Note(FirmwareStep::Close);
            return 2;
        default:
            break;
        }
        break;
    case kStx:
        if (!need(4)) return 0;
        if (in[1] == 'F') {
            if (!need(sizeof kHeaderSignature)) return 0;
            if (std::equal(std::begin(kHeaderSignature), std::end(kHeaderSignature), in.begin())) {
                // A new image replaces whatever the printer held.
                m_flash.clear();
                m_sector = -1;
                m_headerImage = m_headerReceiving = true;
                m_headerLength = 0;
                m_image.assign(in.begin(), in.begin() + sizeof kHeaderSignature);
                return sizeof kHeaderSignature;
            }
        } else if (in[3] == kEtx) {
            if (in[1] == 'S' && in[2] == 'Y') {
                Answer(FirmwareStep::Handshake, HeaderFrame(kStatusReady), now);
                return 4;
            }
            if (in[1] == 'M' && in[2] == 'M') {
                Answer(FirmwareStep::Handshake2, HeaderFrame(kStatusRepeat), now);
                return 4;
            }
            if (in[1] == 'I' && in[2] == 'N') {
                Answer(FirmwareStep::Final, HeaderFrame(kStatusReady), now);
                return 4;
            }
        }
        break;
    default:
        break;
    }
    Note(FirmwareStep::Unknown);
    return 1;
}

void FirmwareResponder::TakeDataBytes(Clock::time_point now)
{
    size_t n = std::min(m_dataRemaining, m_input.size());
    if (m_dataValid) {
        Sector& sector = m_flash[m_sector];
        std::copy_n(m_input.begin(), n, sector.bytes.begin() + static_cast<std::ptrdiff_t>(m_dataOffset));
        sector.written += n;
        m_dataOffset += n;
    }
    m_dataRemaining -= n;
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
    if (m_dataRemaining == 0) Answer(FirmwareStep::Data, {m_dataValid ? kAck : kNak}, now);
}

void FirmwareResponder::TakeHeaderImageBytes(Clock::time_point now)
{
    size_t lengthEnd = 8;
    if (m_headerLength == 0) {
        size_t n = std::min(lengthEnd - m_image.size(), m_input.size());
        m_image.insert(m_image.end(), m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
        m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
        if (m_image.size() < lengthEnd) return;
        m_headerLength = static_cast<size_t>(m_image[5] | m_image[6] << 8 | m_image[7] << 16);
        if (m_headerLength < kHeaderFieldsSize) {
            m_headerReceiving = false;
            Answer(FirmwareStep::Status, HeaderFrame(kStatusRefused), now);
            return;
        }
    }
    size_t n = std::min(m_headerLength - m_image.size(), m_input.size());
    m_image.insert(m_image.end(), m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
    if (m_image.size() < m_headerLength) return;
    m_headerReceiving = false;
    uint16_t stated = static_cast<uint16_t>(m_image[8] | m_image[9] << 8);
    uint16_t actual = Crc16(m_image.data() + kHeaderFieldsSize, m_image.size() - kHeaderFieldsSize);
    Answer(FirmwareStep::Status, HeaderFrame(stated == actual ? kStatusAccepted : kStatusBadCrc), now);
}

void FirmwareResponder::Answer(FirmwareStep step, Bytes normal, Clock::time_point now)
{
    Note(step);
    const Replacement& replacement = m_replacements[static_cast<int>(step)];
    Bytes reply = std::move(normal);
    if (replacement.set && m_seen[static_cast<int>(step)] > replacement.after) {
        reply = replacement.reply;
        if (IsHeaderStep(step) && reply.size() == 1) reply = HeaderFrame(reply[0]);
    }
    if (!reply.empty()) m_model.Send(Channel::Main, std::move(reply), now);
}

Bytes FirmwareResponder::HeaderFrame(uint8_t status) const { return Bytes{kStx, 0x46, 0x44, status, kEtx}; }

void FirmwareResponder::Note(FirmwareStep step)
{
    ++m_seen[static_cast<int>(step)];
    if (!m_log.empty() && m_log.back().first == step)
        ++m_log.back().second;
    else
        m_log.emplace_back(step, 1);
}

bool FirmwareResponder::FlashComplete() const
{
    if (m_flash.empty()) return false;
    int highest = m_flash.rbegin()->first;
    for (int s = 0; s <= highest; ++s) {
        auto sector = m_flash.find(s);
        if (sector == m_flash.end() || sector->second.written != kSectorSize) return false;
    }
    return true;
}

Bytes FirmwareResponder::Image() const
{
    if (m_headerImage) return m_image;
    Bytes image;
    if (m_flash.empty()) return image;
    int highest = m_flash.rbegin()->first;
    image.reserve(static_cast<size_t>(highest + 1) * kSectorSize);
    for (int s = 0; s <= highest; ++s) {
        auto sector = m_flash.find(s);
        if (sector == m_flash.end())
            image.insert(image.end(), kSectorSize, 0xFF);
        else
            image.insert(image.end(), sector->second.bytes.begin(), sector->second.bytes.end());
    }
    return image;
}

uint16_t FirmwareResponder::ImageCrc() const
{
    Bytes image = Image();
    return Crc16(image.data(), image.size());
}

std::string FirmwareResponder::Log() const
{
    std::string text;
    for (const auto& [step, count] : m_log) {
        if (!text.empty()) text += ' ';
        text += FirmwareStepName(step);
        if (count > 1) text += '*' + std::to_string(count);
    }
    return text.empty() ? "-" : text;
}

void FirmwareResponder::AddCommands(ControlInterpreter& interpreter)
{
    interpreter.AddCommand("FW", [this](const ControlInterpreter::Args& args, Clock::time_point) -> std::string {
        if (args.empty()) throw ControlError{"FW wants a subcommand"};
        std::string what = args[0];
        std::transform(what.begin(), what.end(), what.begin(), [](unsigned char c) { return std::toupper(c); });
        if (what == "ON" || what == "OFF") {
            Enable(what == "ON");
            return "OK";
        }
        if (what == "RESET") {
            Reset();
            return "OK";
        }
        if (what == "SIZE") {
            auto n = args.size() > 1 ? ParseUnsigned(args[1]) : std::nullopt;
            if (!n || *n > 255) throw ControlError{"FW SIZE wants 0-255"};
            SetFlashSizeByte(static_cast<uint8_t>(*n));
            return "OK";
        }
        if (what == "REPLY") {
            auto step = args.size() > 1 ? ParseFirmwareStep(args[1]) : std::nullopt;
            if (!step || *step == FirmwareStep::Close || *step == FirmwareStep::Unknown)
                throw ControlError{"FW REPLY wants a step"};
            auto reply = args.size() > 2 ? FromHex(args[2]) : std::nullopt;
            if (!reply) throw ControlError{"FW REPLY wants hex or -"};
            std::optional<unsigned> after = args.size() > 3 ? ParseUnsigned(args[3]) : std::optional<unsigned>(0);
            if (!after) throw ControlError{"bad count " + args[3]};
            SetReply(*step, std::move(*reply), *after);
            return "OK";
        }
        if (what == "IMAGE") {
            Bytes image = Image();
            char sums[32];
            std::snprintf(sums, sizeof sums, "%08X %04X", Crc32(image.data(), image.size()),
                          Crc16(image.data(), image.size()));
            return "OK " + std::to_string(image.size()) + " " + sums;
        }
        if (what == "DUMP") {
            if (args.size() < 2) throw ControlError{"missing path"};
            Bytes image = Image();
            std::ofstream file(args[1], std::ios::binary | std::ios::trunc);
            file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
            file.close();
            if (!file) return "ERR cannot write " + args[1];
            return "OK " + std::to_string(image.size());
        }
        if (what == "LOG") return "OK " + Log();
        throw ControlError{"unknown FW subcommand " + args[0]};
    });
}

}  // namespace vprinter
