// The history export file: its sections and keys, and the rules for reading it back (counts, which
// keys a count covers, values that fit the program's buffers, values the profile calls keep whole).
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kIniFilesSection = "Files History";
inline constexpr const char* kIniStringsSection = "String History";
inline constexpr const char* kIniCountKey = "Count";
inline constexpr const char* kIniFileKeyPrefix = "Hist File #";      // followed by the index, "%d"
inline constexpr const char* kIniStringKeyPrefix = "Hist String #";
// The default text of a read: a key that answers with it is taken as missing.
inline constexpr const char* kIniNotFound = "NOT FOUND";
// Entries are read into buffers of this size (terminator included).
inline constexpr std::size_t kIniValueCapacity = 260;

// "Hist File #" and 3 give "Hist File #3".
std::string IniKeyName(std::string_view prefix, int index);

// A count read as "%d" reads it: blanks, an optional sign, digits; what follows is ignored.
// No number (or one beyond int) gives nothing.
std::optional<int> ParseIniCount(std::string_view text);

// The indexes below count whose key (prefix and the index as "%d", the prefix in any case as the
// profile calls compare it) is among keyNames: ascending, each once. Reading only these gives what
// reading every index below count gives, without a pass per index of a huge count.
std::vector<int> CountedKeyIndexes(const std::vector<std::string>& keyNames, std::string_view prefix, int count);

// Whether an entry read back fits the program's buffers whole (a longer one would be cut).
inline bool FitsIniValue(std::string_view value)
{
    return value.size() < kIniValueCapacity;
}

// The value as written to the file so that reading gives it back unchanged: the profile calls drop
// blanks at either end and one pair of matching quotes around a value, so such a value is put
// between double quotes. Other values are written as they are.
std::string QuoteIniValue(std::string_view value);

// The saved file's name: ".ini" appended unless the name holds ".ini" somewhere (case counts).
std::string WithIniExtension(std::string_view name);
