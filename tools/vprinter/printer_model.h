// PrinterModel: the one virtual printer behind every front end. It records what each channel
// receives, answers by the rules a test gives it and queues what it sends, timed by the caller.
//
// How the pieces fit:
//  - A front end carries one or more channels over some wire (the pty for the serial line; a TCP
//    socket, a stand-in driver, ... for the others). When bytes arrive it calls Receive(channel,
//    bytes, now). It implements ChannelOutput and is Attach()ed to the channels whose output it
//    carries; the model hands it bytes through Transmit() and the front end writes them when its
//    wire can take them (queueing is the front end's job: Transmit never blocks).
//  - The event loop (vprinter_main.cpp, class Reactor) owns the clock: it sleeps until the next
//    wire event or NextDue(), then calls RunDue(now) so delayed replies leave on time.
//  - Tests and scripts drive the model through the control channel (ControlInterpreter); a front
//    end adds its own commands there (the serial front end adds LINE, XOFF and XON).
//  - Device protocols that are more than trigger/reply (the firmware download protocols, the
//    Ethernet device protocol) belong in a responder of their own that reads Received() bytes
//    through a ReceiveListener and answers with Send(); the model stays a recorder and rule table.
// Adding a front end: write a class that owns its descriptors, registers them with the Reactor,
// calls model.Receive() on input and implements ChannelOutput; Attach() it in vprinter_main.cpp
// and give it command-line options there.
//
// Everything here runs on the event loop's one thread; nothing is locked.
#pragma once
#include "hex_text.h"
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vprinter {

// The channels of one printer: the data channel, the real-time command channel and the
// unsolicited status (USM) channel. A serial line carries only Main.
enum class Channel : int { Main = 0, RealTime = 1, Usm = 2 };
inline constexpr int kChannelCount = 3;

// "main" (or "data"), "rt" (or "realtime"), "usm"; case-insensitive.
std::optional<Channel> ParseChannel(std::string_view name);
const char* ChannelName(Channel channel);

using Clock = std::chrono::steady_clock;

// Implemented by a front end for each channel whose output it carries.
class ChannelOutput {
public:
    virtual ~ChannelOutput() = default;
    // Takes bytes to put on the wire; urgent bytes (flow-control characters) go ahead of
    // whatever is still queued. Must not block.
    virtual void Transmit(std::span<const uint8_t> bytes, bool urgent) = 0;
};

// Told about every byte a channel receives (after it was recorded), for protocol responders.
using ReceiveListener = std::function<void(Channel, std::span<const uint8_t>, Clock::time_point)>;

// When the bytes received on `in` end with `trigger`, `reply` is sent on `out` after `delay`.
// An empty reply makes the rule a deliberate silence: the trigger is consumed, nothing is sent.
struct Rule {
    Bytes trigger;
    Bytes reply;
    std::chrono::milliseconds delay{0};
    Channel in = Channel::Main;
    Channel out = Channel::Main;
};

class PrinterModel {
public:
    PrinterModel();

    // Routes a channel's output to a front end (nullptr: output of that channel is dropped and
    // counted in Dropped()). The model does not own the front end.
    void Attach(Channel channel, ChannelOutput* output);

    // A front end received bytes on a channel: record them, echo them when asked, apply rules.
    void Receive(Channel channel, std::span<const uint8_t> bytes, Clock::time_point now);

    void AddRule(Rule rule);
    void SetEcho(Channel channel, bool on);
    void SetReceiveListener(ReceiveListener listener);

    // Sends bytes on a channel after `delay` (at once when 0); sends leave in due-time order.
    void Send(Channel channel, Bytes bytes, Clock::time_point now,
              std::chrono::milliseconds delay = std::chrono::milliseconds(0), bool urgent = false);
    // Sends `count` bytes of the flood pattern (FloodByte) at once, as fast as the wire takes them.
    void Flood(Channel channel, size_t count, Clock::time_point now);

    // Delivers every send whose time has come; NextDue tells the loop when to call it next.
    void RunDue(Clock::time_point now);
    std::optional<Clock::time_point> NextDue() const;

    // Everything received on a channel since the last Clear, in order.
    const Bytes& Received(Channel channel) const;
    // Bytes handed to the channel's front end, and bytes dropped for want of one.
    uint64_t Sent(Channel channel) const;
    uint64_t Dropped(Channel channel) const;
    size_t RuleCount() const { return m_rules.size(); }
    size_t PendingCount() const { return m_pending.size(); }

    // Forgets recordings, counters, rules, echo and pending sends; front ends stay attached.
    void Clear();

private:
    struct Pending {
        Channel channel;
        Bytes bytes;
        bool urgent;
    };
    struct ChannelState {
        ChannelOutput* output = nullptr;
        Bytes received;
        Bytes window;  // tail of the input that rules are matched against
        bool echo = false;
        uint64_t sent = 0;
        uint64_t dropped = 0;
    };

    void Deliver(Channel channel, std::span<const uint8_t> bytes, bool urgent);
    void MatchRules(Channel channel, uint8_t byte, Clock::time_point now);
    ChannelState& State(Channel channel) { return m_channels[static_cast<int>(channel)]; }
    const ChannelState& State(Channel channel) const { return m_channels[static_cast<int>(channel)]; }

    std::array<ChannelState, kChannelCount> m_channels;
    std::vector<Rule> m_rules;
    size_t m_longestTrigger = 0;
    // Keyed by due time; equal times keep their order of arrival (multimap inserts at the end).
    std::multimap<Clock::time_point, Pending> m_pending;
    ReceiveListener m_listener;
};

}  // namespace vprinter
