// FirmwareResponder: the virtual printer's end of the two firmware download protocols (the plain
// command protocol with 64 KB sectors and the header protocol for signed images). It reads the Main
// channel through the model's receive listener, keeps the image it is sent and answers each step.
//
// Plain protocol, as the printer sees it (hex):
//   1B 5B 7D          enter download mode       silent (a USB printer answers 53: FW REPLY mode 53)
//   1D 01             flash size                one byte n = sectors - 1 (FW SIZE, default FF)
//   1D 0E             erase                     06; the flash reads FF again
//   1D 02 s           select sector s           06
//   1D 11 oL oH nL nH + n bytes                 06 when the packet lies inside the selected sector, else 15
//   1D 06             check                     06 when every sector up to the highest one written is
//                                               complete, else 15
//   1D 0F             read CRC                  0F, CRC low, CRC high (CRC-16/CCITT-FALSE of the image)
//   1D FF             end of the download       no answer
// Header protocol: 02 53 59 03 (handshake) answers status '*', 02 4D 4D 03 (second handshake) '@';
// an image begins with 02 46 44 3B 1F, bytes 5-7 hold its whole length (24 bits, low byte first)
// and bytes 8-9 the CRC-16 of the bytes after its first ten; once it is complete the printer sends
// '+' when the CRC matches, else '#' ('g' for a length below ten). 02 49 4E 03 answers '*'.
// Every header answer is five bytes 02 46 44 <status> 03.
//
// Control commands (added to the control language by AddCommands):
//   FW ON | OFF                      answer the protocols (ON also forgets everything); off by default
//   FW RESET                         forget image, log, replacements and counters
//   FW SIZE <n>                      flash size answer byte, 0-255
//   FW REPLY <step> <hex|-> [after]  replace the answer of a step from its (after+1)-th occurrence on;
//                                    "-" stays silent. Steps: mode size erase select data check crc
//                                    hs hs2 status final. For the header steps a one-byte reply is a
//                                    status sent in the five-byte frame.
//   FW IMAGE                         OK <length> <crc32 8 hex> <crc16 4 hex> of the stored image
//   FW DUMP <path>                   write the stored image to a file: OK <length>
//   FW LOG                           OK <steps in order>, repeated steps as name*count ("-" for none)
#pragma once
#include "control_interpreter.h"
#include "printer_model.h"
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vprinter {

enum class FirmwareStep : int {
    Mode, Size, Erase, Select, Data, Check, Crc, Handshake, Handshake2, Status, Final, Close, Unknown
};
inline constexpr int kFirmwareStepCount = static_cast<int>(FirmwareStep::Unknown) + 1;

const char* FirmwareStepName(FirmwareStep step);
std::optional<FirmwareStep> ParseFirmwareStep(std::string_view name);

class FirmwareResponder {
public:
    static constexpr size_t kSectorSize = 65536;
    static constexpr size_t kHeaderFieldsSize = 10;

    explicit FirmwareResponder(PrinterModel& model);
    FirmwareResponder(const FirmwareResponder&) = delete;
    FirmwareResponder& operator=(const FirmwareResponder&) = delete;

    void AddCommands(ControlInterpreter& interpreter);

    // On: the responder becomes the model's receive listener and starts from nothing.
    void Enable(bool on);
    bool Enabled() const { return m_enabled; }
    void Reset();

    void SetFlashSizeByte(uint8_t n) { m_sizeByte = n; }
    // Answer `reply` (empty: silence) at `step` from its (after + 1)-th occurrence on.
    void SetReply(FirmwareStep step, Bytes reply, unsigned after);

    // Bytes arriving on a channel; only the Main channel carries firmware.
    void Receive(Channel channel, std::span<const uint8_t> bytes, Clock::time_point now);

    // The image held: the header image as received, or the flash from sector 0 up to the highest
    // sector written (unwritten bytes read FF).
    Bytes Image() const;
    uint16_t ImageCrc() const;
    // The steps seen, in order, repeated steps folded into name*count.
    std::string Log() const;

private:
    struct Replacement {
        bool set = false;
        Bytes reply;
        unsigned after = 0;
    };
    struct Sector {
        Bytes bytes = Bytes(kSectorSize, 0xFF);
        size_t written = 0;
    };

    // Takes one command (or the start of one) from the front of m_input: the bytes used, 0 when
    // more bytes are needed.
    size_t ParseCommand(Clock::time_point now);
    void TakeDataBytes(Clock::time_point now);
    void TakeHeaderImageBytes(Clock::time_point now);
    void Answer(FirmwareStep step, Bytes normal, Clock::time_point now);
    Bytes HeaderFrame(uint8_t status) const;
    bool FlashComplete() const;
    void Note(FirmwareStep step);

    PrinterModel& m_model;
    bool m_enabled = false;
    uint8_t m_sizeByte = 0xFF;
    std::array<Replacement, kFirmwareStepCount> m_replacements{};
    std::array<unsigned, kFirmwareStepCount> m_seen{};
    std::vector<std::pair<FirmwareStep, unsigned>> m_log;

    Bytes m_input;  // received bytes not yet parsed
    // Plain protocol.
    std::map<int, Sector> m_flash;
    int m_sector = -1;              // selected sector, -1 none
    size_t m_dataOffset = 0;        // where the packet being received goes in its sector
    size_t m_dataRemaining = 0;     // bytes of that packet still to come
    bool m_dataValid = false;
    // Header protocol.
    bool m_headerImage = false;     // the stored image is a header image
    bool m_headerReceiving = false;
    size_t m_headerLength = 0;      // 0 until bytes 5-7 have arrived
    Bytes m_image;
};

}  // namespace vprinter
