// Ordering of port names by the number after their prefix, duplicates once.
#include "port_order.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

int PortNumber(std::string_view name)
{
    if (name.size() <= kPortPrefixChars)
        return 0;
    std::string_view rest = name.substr(kPortPrefixChars);
    std::size_t i = 0;
    while (i < rest.size() && std::isspace(static_cast<unsigned char>(rest[i])))
        ++i;
    bool negative = false;
    if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) {
        negative = rest[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i])); ++i) {
        value = value * 10 + (rest[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;  // held: more digits change nothing
    }
    if (negative)
        return static_cast<int>(std::max(-value, static_cast<long long>(INT_MIN)));
    return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}

std::vector<std::string> OrderPortNames(std::span<const std::string> names)
{
    std::vector<std::string> ordered;
    std::vector<int> numbers;
    ordered.reserve(names.size());
    numbers.reserve(names.size());
    for (const std::string& name : names) {
        if (std::any_of(ordered.begin(), ordered.end(), [&](const std::string& s) { return SameIgnoringCase(s, name); }))
            continue;
        const int number = PortNumber(name);
        // Before the first name with a greater number, so equal numbers keep their arrival order.
        const auto at = std::upper_bound(numbers.begin(), numbers.end(), number);
        const auto offset = at - numbers.begin();
        numbers.insert(at, number);
        ordered.insert(ordered.begin() + offset, name);
    }
    return ordered;
}
