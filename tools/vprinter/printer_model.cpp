// The virtual printer's model: recording, echo, trigger/reply rules and timed sends.
#include "printer_model.h"
#include "flood_pattern.h"
#include <algorithm>
#include <cctype>
#include <string>

namespace vprinter {

std::optional<Channel> ParseChannel(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "main" || lower == "data") return Channel::Main;
    if (lower == "rt" || lower == "realtime") return Channel::RealTime;
    if (lower == "usm") return Channel::Usm;
    return std::nullopt;
}

const char* ChannelName(Channel channel)
{
    switch (channel) {
    case Channel::Main: return "main";
    case Channel::RealTime: return "rt";
    case Channel::Usm: return "usm";
    }
    return "?";
}

PrinterModel::PrinterModel() = default;

void PrinterModel::Attach(Channel channel, ChannelOutput* output) { State(channel).output = output; }

void PrinterModel::SetEcho(Channel channel, bool on) { State(channel).echo = on; }

void PrinterModel::SetReceiveListener(ReceiveListener listener) { m_listener = std::move(listener); }

void PrinterModel::AddRule(Rule rule)
{
    m_longestTrigger = std::max(m_longestTrigger, rule.trigger.size());
    m_rules.push_back(std::move(rule));
}

void PrinterModel::Receive(Channel channel, std::span<const uint8_t> bytes, Clock::time_point now)
{
    ChannelState& state = State(channel);
    state.received.insert(state.received.end(), bytes.begin(), bytes.end());
    if (state.echo) Deliver(channel, bytes, false);
    if (!m_rules.empty()) {
        for (uint8_t byte : bytes) MatchRules(channel, byte, now);
    }
    if (m_listener) m_listener(channel, bytes, now);
}

void PrinterModel::MatchRules(Channel channel, uint8_t byte, Clock::time_point now)
{
    Bytes& window = State(channel).window;
    window.push_back(byte);
    if (window.size() > m_longestTrigger) window.erase(window.begin(), window.end() - m_longestTrigger);
    bool matched = false;
    for (const Rule& rule : m_rules) {
        if (rule.in != channel || rule.trigger.empty() || rule.trigger.size() > window.size()) continue;
        if (!std::equal(rule.trigger.begin(), rule.trigger.end(), window.end() - rule.trigger.size())) continue;
        matched = true;
        if (!rule.reply.empty()) Send(rule.out, rule.reply, now, rule.delay);
    }
    // A trigger is consumed by its match: the same bytes do not take part in a second one.
    if (matched) window.clear();
}

void PrinterModel::Send(Channel channel, Bytes bytes, Clock::time_point now, std::chrono::milliseconds delay,
                        bool urgent)
{
    // Sends leave in the order of their due times; one due now goes straight to the wire.
    if (delay.count() <= 0) {
        Deliver(channel, bytes, urgent);
        return;
    }
    m_pending.emplace(now + delay, Pending{channel, std::move(bytes), urgent});
}

void PrinterModel::Flood(Channel channel, size_t count, Clock::time_point now)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = FloodByte(i);
    Send(channel, std::move(bytes), now);
}

void PrinterModel::RunDue(Clock::time_point now)
{
    while (!m_pending.empty() && m_pending.begin()->first <= now) {
        auto node = m_pending.extract(m_pending.begin());
        Pending& pending = node.mapped();
        Deliver(pending.channel, pending.bytes, pending.urgent);
    }
}

std::optional<Clock::time_point> PrinterModel::NextDue() const
{
    if (m_pending.empty()) return std::nullopt;
    return m_pending.begin()->first;
}

void PrinterModel::Deliver(Channel channel, std::span<const uint8_t> bytes, bool urgent)
{
    ChannelState& state = State(channel);
    if (bytes.empty()) return;
    if (!state.output) {
        state.dropped += bytes.size();
        return;
    }
    state.output->Transmit(bytes, urgent);
    state.sent += bytes.size();
}

const Bytes& PrinterModel::Received(Channel channel) const { return State(channel).received; }
uint64_t PrinterModel::Sent(Channel channel) const { return State(channel).sent; }
uint64_t PrinterModel::Dropped(Channel channel) const { return State(channel).dropped; }

void PrinterModel::Clear()
{
    for (ChannelState& state : m_channels) {
        ChannelOutput* output = state.output;
        state = ChannelState{};
        state.output = output;
    }
    m_rules.clear();
    m_longestTrigger = 0;
    m_pending.clear();
}

}  // namespace vprinter
