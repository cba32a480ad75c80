// AppendFormat: formats into a bounded local text, then appends it to the caller's text.
#include "append_format.h"

#include <cstdio>
#include <cstring>

namespace {

// Formats into local (kAppendFormatLimit + 1 characters) and returns the length kept.
std::size_t FormatLocal(char (&local)[kAppendFormatLimit + 1], const char* format, va_list args)
{
    int n = std::vsnprintf(local, sizeof local, format, args);
    if (n < 0) {
        local[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(n) < sizeof local ? static_cast<std::size_t>(n) : kAppendFormatLimit;
}

} // namespace

int AppendFormatV(std::string& out, const char* format, va_list args)
{
    char local[kAppendFormatLimit + 1];
    std::size_t n = FormatLocal(local, format, args);
    out.append(local, n);
    return static_cast<int>(n);
}

int AppendFormatV(char* out, std::size_t capacity, const char* format, va_list args)
{
    if (out == nullptr || capacity == 0)
        return 0;
    std::size_t used = strnlen(out, capacity);
    if (used == capacity) {
        // Not terminated inside its buffer: terminate it rather than read past it.
        out[capacity - 1] = '\0';
        return 0;
    }
    char local[kAppendFormatLimit + 1];
    std::size_t n = FormatLocal(local, format, args);
    std::size_t room = capacity - 1 - used;
    if (n > room)
        n = room;
    std::memcpy(out + used, local, n);
    out[used + n] = '\0';
    return static_cast<int>(n);
}

int AppendFormat(std::string& out, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = AppendFormatV(out, format, args);
    va_end(args);
    return n;
}

int AppendFormat(char* out, std::size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = AppendFormatV(out, capacity, format, args);
    va_end(args);
    return n;
}
