// ControlInterpreter: the virtual printer's line-based control language, one command per line,
// one reply line per command ("OK ..." or "ERR <reason>").
//
// Commands of the model (channels: main|data, rt|realtime, usm; hex: digit pairs, "-" = none):
//   PING                                   OK vprinter
//   RULE <trigger> <reply> [delay-ms [in-channel [out-channel]]]
//                                          reply after the trigger; reply "-" = stay silent
//   ECHO <channel> ON|OFF                  send back every byte the channel receives
//   SEND <channel> <hex> [delay-ms]        send bytes (unsolicited status: SEND usm ...)
//   FLOOD <channel> <count>                send count bytes of the flood pattern at full speed
//   RECEIVED <channel>                     OK <length> <crc32 8 hex digits> [<hex> when length <= 4096]
//   DUMP <channel> <path>                  write the received bytes to a file (a path of the printer's
//                                          own system): OK <length>
//   SENT <channel>                         OK <bytes handed to the wire> <bytes dropped>
//   CLEAR                                  forget recordings, rules, echo and pending sends
//   QUIT                                   OK, then the program ends
// Front ends add their own commands with AddCommand; the serial line's:
//   LINE                                   OK baud=<n> stop=<n> crtscts=<0|1> ixon=<0|1> ixoff=<0|1>
//   XOFF, XON                              send the flow-control character ahead of queued data
//   FLUSH                                  drop unread input of the port and output still queued
//   PTY SLOW <bytes/s>                     read the port at most that fast (0: as fast as it comes)
#pragma once
#include "printer_model.h"
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vprinter {

// Thrown by a command handler for a bad argument; Execute answers "ERR <reason>".
struct ControlError {
    std::string reason;
};

class ControlInterpreter {
public:
    using Args = std::vector<std::string>;  // the words after the command name
    using Handler = std::function<std::string(const Args& args, Clock::time_point now)>;

    // Largest recording that RECEIVED still answers in hex.
    static constexpr size_t kMaxHexReply = 4096;

    explicit ControlInterpreter(PrinterModel& model);

    // Adds (or replaces) a command; its name is matched case-insensitively.
    void AddCommand(const std::string& name, Handler handler);

    // Runs one line and returns its reply line, without the line end.
    std::string Execute(std::string_view line, Clock::time_point now);

    bool QuitRequested() const { return m_quit; }

private:
    PrinterModel& m_model;
    std::map<std::string, Handler> m_commands;
    bool m_quit = false;
};

// For a command's handler: the whole number args[index], or ControlError.
uint64_t NumberArg(const ControlInterpreter::Args& args, size_t index);

}  // namespace vprinter
