// Fuzz target: the command-line parser on any text, and one option token alone in a heap block
// of exactly its size, so a read past the end of a token is caught by the address sanitizer.
#include "core/command_line.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckResult(const ParsedCommandLine& r)
{
    Require(r.batchMode >= kBatchNone && r.batchMode <= kBatchSendAsciiString);
    for (int e : r.errors)
        Require(e >= kErrInvalidBatchMode && e <= kErrBatchModeNotSpecified);
    Require(!r.showSyntax || (r.batchMode == kBatchStop && r.errors.empty()));
    Require(!(r.fileName && r.dataString));
    if (r.portIndex)
        Require(*r.portIndex >= 0 && *r.portIndex <= 49);
    if (r.ethernetMainPort)
        Require(*r.ethernetMainPort >= 1 && *r.ethernetMainPort <= 65535);
    if (r.repeatDelay)
        Require(*r.repeatDelay >= 1 && *r.repeatDelay <= 300000);
    if (r.baudRate)
        Require(*r.baudRate >= 0 && *r.baudRate <= 10);
    if (r.interfaceType)
        Require(*r.interfaceType >= kInterfaceSerial && *r.interfaceType <= kInterfaceEthernet);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the stored interface (including one that is not set: -1).
    const int stored = static_cast<int>(data[0] % 5) - 1;
    const size_t length = size - 1;
    std::unique_ptr<char[]> text(new char[length]);
    std::memcpy(text.get(), data + 1, length);

    CheckResult(ParseBatchCommandLine(std::string_view(text.get(), length), stored));

    ParsedCommandLine one;
    int current = stored;
    ApplyCommandLineOption(std::string_view(text.get(), length), one, current);
    CheckResult(one);
    return 0;
}
