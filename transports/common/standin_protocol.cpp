// Encoding and decoding of the stand-in driver's control-pipe messages (no Windows header).
#include "standin_protocol.h"

namespace standin {
namespace {

void PutU32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool GetU32(const uint8_t* data, size_t length, size_t& at, uint32_t& v)
{
    if (at > length || length - at < 4) return false;
    v = uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
        uint32_t(data[at + 3]) << 24;
    at += 4;
    return true;
}

}  // namespace

Bytes EncodeRequest(const Request& request)
{
    Bytes out;
    PutU32(out, static_cast<uint32_t>(request.operation));
    if (request.operation == Operation::Control) {
        PutU32(out, request.code);
        PutU32(out, request.outCapacity);
        out.insert(out.end(), request.input.begin(), request.input.end());
    } else {
        out.insert(out.end(), request.text.begin(), request.text.end());
    }
    return out;
}

std::optional<Request> DecodeRequest(const uint8_t* data, size_t length)
{
    size_t at = 0;
    uint32_t op = 0;
    if (length > kMaxMessage || !GetU32(data, length, at, op)) return std::nullopt;
    Request request;
    switch (static_cast<Operation>(op)) {
    case Operation::Control:
        request.operation = Operation::Control;
        if (!GetU32(data, length, at, request.code) || !GetU32(data, length, at, request.outCapacity))
            return std::nullopt;
        if (request.outCapacity > kMaxMessage) return std::nullopt;
        request.input.assign(data + at, data + length);
        return request;
    case Operation::List:
    case Operation::Open:
    case Operation::Command:
        request.operation = static_cast<Operation>(op);
        request.text.assign(reinterpret_cast<const char*>(data + at), length - at);
        return request;
    }
    return std::nullopt;
}

Bytes EncodeReply(const Reply& reply)
{
    Bytes out;
    PutU32(out, reply.status);
    out.insert(out.end(), reply.data.begin(), reply.data.end());
    return out;
}

std::optional<Reply> DecodeReply(const uint8_t* data, size_t length)
{
    size_t at = 0;
    Reply reply;
    if (length > kMaxMessage || !GetU32(data, length, at, reply.status)) return std::nullopt;
    reply.data.assign(data + at, data + length);
    return reply;
}

std::vector<std::string> SplitPaths(const Bytes& data)
{
    std::vector<std::string> paths;
    std::string current;
    for (uint8_t b : data) {
        if (b == 0) {
            paths.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(b));
        }
    }
    return paths;   // a path without its terminator is incomplete and left out
}

Bytes JoinPaths(const std::vector<std::string>& paths)
{
    Bytes out;
    for (const std::string& p : paths) {
        out.insert(out.end(), p.begin(), p.end());
        out.push_back(0);
    }
    return out;
}

std::vector<std::string> SplitWords(std::string_view text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
        size_t start = i;
        while (i < text.size() && !(text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
        if (i > start) words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

bool IsLocalPipeNamespace(std::string_view ns)
{
    constexpr std::string_view kLocalPipes = "\\\\.\\pipe\\";
    if (ns.size() <= kLocalPipes.size() || ns.substr(0, kLocalPipes.size()) != kLocalPipes)
        return false;
    const std::string_view name = ns.substr(kLocalPipes.size());
    if (name.find('/') != std::string_view::npos)
        return false;
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find('\\', start);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace standin
