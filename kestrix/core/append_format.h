// AppendFormat: the printf-style append behind every formatted report of the program
// and of the USB and parallel transports.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <string>

#if defined(__MINGW32__)
#define KX_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))
#elif defined(__GNUC__)
#define KX_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define KX_PRINTF(f, a)
#endif

// One call appends at most this many characters; longer output is cut there.
constexpr std::size_t kAppendFormatLimit = 2047;

// Appends to out; returns the number of characters appended.
int AppendFormat(std::string& out, const char* format, ...) KX_PRINTF(2, 3);

// Appends to the terminated text in out, whose whole buffer holds capacity characters
// (terminator included). What does not fit is cut; the text stays terminated.
// Returns the number of characters appended.
int AppendFormat(char* out, std::size_t capacity, const char* format, ...) KX_PRINTF(3, 4);

int AppendFormatV(std::string& out, const char* format, va_list args);
int AppendFormatV(char* out, std::size_t capacity, const char* format, va_list args);
