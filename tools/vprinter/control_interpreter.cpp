// The control language: parsing a line and running it against the model.
#include "control_interpreter.h"
#include "crc32.h"
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vprinter {
namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::optional<uint64_t> ParseNumber(const std::string& text)
{
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Every handler answers through these two so the reply format stays the same everywhere.
std::string Error(const std::string& reason) { return "ERR " + reason; }

Channel ChannelArg(const ControlInterpreter::Args& args, size_t index)
{
    if (index >= args.size()) throw ControlError{"missing channel"};
    auto channel = ParseChannel(args[index]);
    if (!channel) throw ControlError{"unknown channel " + args[index]};
    return *channel;
}

Bytes HexArg(const ControlInterpreter::Args& args, size_t index)
{
    if (index >= args.size()) throw ControlError{"missing hex"};
    auto bytes = FromHex(args[index]);
    if (!bytes) throw ControlError{"bad hex " + args[index]};
    return *bytes;
}

uint64_t NumberArg(const ControlInterpreter::Args& args, size_t index, uint64_t fallback, bool required = false)
{
    if (index >= args.size()) {
        if (required) throw ControlError{"missing number"};
        return fallback;
    }
    auto value = ParseNumber(args[index]);
    if (!value) throw ControlError{"bad number " + args[index]};
    return *value;
}

std::chrono::milliseconds DelayArg(const ControlInterpreter::Args& args, size_t index)
{
    return std::chrono::milliseconds(NumberArg(args, index, 0));
}

}  // namespace

uint64_t NumberArg(const ControlInterpreter::Args& args, size_t index) { return NumberArg(args, index, 0, true); }

ControlInterpreter::ControlInterpreter(PrinterModel& model) : m_model(model)
{
    AddCommand("PING", [](const Args&, Clock::time_point) { return std::string("OK vprinter"); });
    AddCommand("RULE", [this](const Args& args, Clock::time_point) {
        Rule rule;
        rule.trigger = HexArg(args, 0);
        if (rule.trigger.empty()) throw ControlError{"empty trigger"};
        rule.reply = HexArg(args, 1);
        rule.delay = DelayArg(args, 2);
        rule.in = args.size() > 3 ? ChannelArg(args, 3) : Channel::Main;
        rule.out = args.size() > 4 ? ChannelArg(args, 4) : rule.in;
        m_model.AddRule(std::move(rule));
        return "OK " + std::to_string(m_model.RuleCount());
    });
    AddCommand("ECHO", [this](const Args& args, Clock::time_point) {
        Channel channel = ChannelArg(args, 0);
        std::string mode = args.size() > 1 ? Upper(args[1]) : "";
        if (mode != "ON" && mode != "OFF") throw ControlError{"ECHO wants ON or OFF"};
        m_model.SetEcho(channel, mode == "ON");
        return std::string("OK");
    });
    AddCommand("SEND", [this](const Args& args, Clock::time_point now) {
        Channel channel = ChannelArg(args, 0);
        Bytes bytes = HexArg(args, 1);
        size_t length = bytes.size();
        m_model.Send(channel, std::move(bytes), now, DelayArg(args, 2));
        return "OK " + std::to_string(length);
    });
    AddCommand("FLOOD", [this](const Args& args, Clock::time_point now) {
        Channel channel = ChannelArg(args, 0);
        uint64_t count = NumberArg(args, 1, 0, true);
        if (count > (uint64_t{1} << 30)) throw ControlError{"flood larger than 1 GiB"};
        m_model.Flood(channel, static_cast<size_t>(count), now);
        return "OK " + std::to_string(count);
    });
    AddCommand("RECEIVED", [this](const Args& args, Clock::time_point) {
        const Bytes& received = m_model.Received(ChannelArg(args, 0));
        char sum[16];
        std::snprintf(sum, sizeof sum, "%08X", Crc32(received.data(), received.size()));
        std::string reply = "OK " + std::to_string(received.size()) + " " + sum;
        if (received.size() <= kMaxHexReply) reply += " " + ToHex(received);
        return reply;
    });
    AddCommand("DUMP", [this](const Args& args, Clock::time_point) {
        const Bytes& received = m_model.Received(ChannelArg(args, 0));
        if (args.size() < 2) throw ControlError{"missing path"};
        std::ofstream file(args[1], std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(received.data()), static_cast<std::streamsize>(received.size()));
        file.close();
        if (!file) return Error("cannot write " + args[1]);
        return "OK " + std::to_string(received.size());
    });
    AddCommand("SENT", [this](const Args& args, Clock::time_point) {
        Channel channel = ChannelArg(args, 0);
        return "OK " + std::to_string(m_model.Sent(channel)) + " " + std::to_string(m_model.Dropped(channel));
    });
    AddCommand("CLEAR", [this](const Args&, Clock::time_point) {
        m_model.Clear();
        return std::string("OK");
    });
    AddCommand("QUIT", [this](const Args&, Clock::time_point) {
        m_quit = true;
        return std::string("OK");
    });
}

void ControlInterpreter::AddCommand(const std::string& name, Handler handler)
{
    m_commands[Upper(name)] = std::move(handler);
}

std::string ControlInterpreter::Execute(std::string_view line, Clock::time_point now)
{
    std::istringstream words{std::string(line)};
    std::string name;
    if (!(words >> name)) return Error("empty command");
    Args args;
    for (std::string word; words >> word;) args.push_back(word);
    auto command = m_commands.find(Upper(name));
    if (command == m_commands.end()) return Error("unknown command " + name);
    try {
        return command->second(args, now);
    } catch (const ControlError& bad) {
        return Error(bad.reason);
    }
}

}  // namespace vprinter
