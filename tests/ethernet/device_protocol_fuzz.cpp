// Fuzz target: replies from the network go through the record parser and the confirmation test;
// neither may read outside the datagram (ASan) nor write a row past its buffer.
#include "device_protocol.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace device_protocol;
    // Copied so that ASan sees the exact end of the datagram.
    auto* datagram = new uint8_t[size];
    if (size) std::memcpy(datagram, data, size);
    std::span<const uint8_t> reply(datagram, size);
    ForEachDeviceRecord(reply, [](const DeviceRecord& record) {
        char row[kRowSize];
        FormatDeviceRow(record, row);
        if (std::strlen(row) >= kRowSize) __builtin_trap();
    });
    static const char kCommands[][24] = {"IP=CHIP\x01\x02\x03\x04\x05\x06\x0A\x00\x00\x01",
                                         "IP=CHNO\x01\x02\x03\x04\x05\x06NAME      ", "IP=REST\x01\x02\x03\x04\x05\x06"};
    for (const char* command : kCommands) {
        Datagram d;
        if (CommandDatagram(command, d)) IsConfirmation(reply, d);
    }
    delete[] datagram;
    return 0;
}
