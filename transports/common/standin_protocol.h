// The stand-in driver's control-pipe protocol: one request message, one reply message, both
// little-endian, shared by the stand-in program and the transports' driver access.
//
// Names (ns is the value of KESTRIX_DRIVER_STANDIN, e.g. \\.\pipe\kestrix-standin):
//   ns + "\control"     message-mode pipe; a connection is one device handle once OPEN succeeded
//   ns + "\data-<n>"    byte-mode pipe of that handle, named in OPEN's reply; the transport reads
//                       and writes it with the system's own (overlapped) ReadFile and WriteFile
// Requests (u32 operation, then its fields); every reply begins with a u32 status (0 done, else a
// Win32 error code or a driver status, which the transport receives as the call's last error):
//   List    text: a device-interface class ("{GUID}")  reply: the interface paths, each NUL-ended
//   Open    text: device name or interface path        reply: the data pipe's name (text)
//   Control u32 code, u32 output capacity, input bytes  reply: the output bytes (<= capacity)
//   Command text: words of a test command             reply: the answer text ("OK ..."/"ERR ...")
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

using Bytes = std::vector<uint8_t>;

enum class Operation : uint32_t { List = 1, Open = 2, Control = 3, Command = 4 };

// Largest message either side sends: a request's input or a reply's output stays below it.
constexpr uint32_t kMaxMessage = 65536;

constexpr const char* kNamespaceVariable = "KESTRIX_DRIVER_STANDIN";
constexpr const char* kControlPipe = "\\control";
constexpr const char* kDataPipePrefix = "\\data-";

struct Request {
    Operation operation = Operation::Command;
    std::string text;          // List, Open, Command
    uint32_t code = 0;         // Control
    uint32_t outCapacity = 0;  // Control
    Bytes input;               // Control
};

struct Reply {
    uint32_t status = 0;
    Bytes data;                // output bytes, or text without a terminator
};

Bytes EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(const uint8_t* data, size_t length);
Bytes EncodeReply(const Reply& reply);
std::optional<Reply> DecodeReply(const uint8_t* data, size_t length);

// Whether ns names pipes of this machine: "\\.\pipe\" and a name, with no "/" and no ".."
// component that could lead the path elsewhere. Any other value of the variable is ignored.
bool IsLocalPipeNamespace(std::string_view ns);

// Splits a reply of List into its paths.
std::vector<std::string> SplitPaths(const Bytes& data);
// Joins paths for a reply of List.
Bytes JoinPaths(const std::vector<std::string>& paths);
// Splits command text at blanks.
std::vector<std::string> SplitWords(std::string_view text);

}  // namespace standin
