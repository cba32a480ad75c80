// Conversions between the three forms of a data string (escaped text, hex text, bytes)
// and the address texts of the Ethernet settings.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Catalogue error shown for a text that cannot be converted ("Error - String Format Error").
constexpr int kStringFormatError = 37;

// A data string holds at most this many bytes (the send buffer and the string history
// hold 255 bytes and a terminator); longer strings are refused with kStringFormatError.
constexpr std::size_t kMaxStringBytes = 255;

// formatErrors counts the faults the text held; the caller shows kStringFormatError once
// per fault (UnescapeText skips a bad escape and goes on, so one text may hold several).
struct BytesResult {
    std::vector<unsigned char> bytes;
    int formatErrors = 0;
};

struct TextResult {
    std::string text;
    int formatErrors = 0;
};

// Escaped text -> bytes. Escapes: \\ \n \r \t, \b (removes the last byte), \x with one or
// two hex digits; any other escaped character is dropped with its backslash. \x without a
// hex digit is an error and skips the two characters after the x. A result over
// kMaxStringBytes is refused (no bytes, one error).
BytesResult UnescapeText(std::string_view text);

// Escaped text -> hex text in normal form ("%02X " per byte); errors as UnescapeText.
TextResult TextToHex(std::string_view text);

// Hex text (pairs of digits, either case, optionally separated by blank , - . ;) -> bytes.
// A separator inside a pair, any other character or an odd digit count is an error:
// no bytes and one error.
BytesResult HexToBytes(std::string_view hex);

// Hex text -> escaped text that UnescapeText reads back to the same bytes: 20-7F as
// themselves except the backslash, which is doubled; 09 0A 0D as \t \n \r; others \xHH.
// Hex text errors or more than kMaxStringBytes bytes give an empty text and one error.
TextResult HexToText(std::string_view hex);

// Escaped text for bytes (the second half of HexToText).
std::string BytesToEscapedText(const std::vector<unsigned char>& bytes);

// Hex text in normal form for bytes.
std::string BytesToHex(const std::vector<unsigned char>& bytes);

// Reads one hex number (as "%x") and returns its low byte; 0 when none is read.
unsigned char HexPairToByte(std::string_view text);

// Reads "%02X-%02X-%02X-%02X-%02X-%02X" into out; fields that cannot be read keep their
// values. Returns 0 for empty text, else 1.
int ParseMacAddress(std::string_view text, int out[6]);

// Dotted address (the forms inet_addr accepts) -> four octets. order 0: text order;
// non-zero: reversed (a 32-bit value in little-endian memory with the first octet high).
// Text that is not an address gives 255.255.255.255. Returns 0 for empty text (out untouched).
int IpStringToBytes(std::string_view text, unsigned char out[4], int order);

// The inet_addr conversion itself: true and the address (first octet high) when the text
// is one; used by IpStringToBytes.
bool ParseInetAddress(std::string_view text, std::uint32_t& address);
