// Names and reading rules of the history export file.
#include "history_ini.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

bool IsProfileBlank(char c)
{
    // What the profile reader trims around a value: white space and the end-of-file mark.
    return std::isspace(static_cast<unsigned char>(c)) != 0 || c == '\x1a';
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The index a key suffix names when written "%d" with a non-negative int: digits, no leading zero.
std::optional<int> KeyIndex(std::string_view digits)
{
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > INT_MAX)
            return std::nullopt;
    }
    return static_cast<int>(value);
}

} // namespace

std::string IniKeyName(std::string_view prefix, int index)
{
    return std::string(prefix) + std::to_string(index);
}

std::optional<int> ParseIniCount(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    const std::size_t firstDigit = at;
    long long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at++] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (at == firstDigit)
        return std::nullopt;
    value = negative ? -value : value;
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

std::vector<int> CountedKeyIndexes(const std::vector<std::string>& keyNames, std::string_view prefix, int count)
{
    std::vector<int> indexes;
    for (const std::string& name : keyNames) {
        if (name.size() <= prefix.size() || !EqualNoCase(std::string_view(name).substr(0, prefix.size()), prefix))
            continue;
        const std::optional<int> index = KeyIndex(std::string_view(name).substr(prefix.size()));
        if (index && *index < count)
            indexes.push_back(*index);
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

std::string QuoteIniValue(std::string_view value)
{
    if (value.empty())
        return std::string();
    const char first = value.front();
    const char last = value.back();
    const bool quotedAlready = value.size() > 1 && (first == '"' || first == '\'') && last == first;
    if (IsProfileBlank(first) || IsProfileBlank(last) || quotedAlready)
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

std::string WithIniExtension(std::string_view name)
{
    std::string file(name);
    if (file.find(".ini") == std::string::npos)
        file += ".ini";
    return file;
}
