// Order of the port names the settings pages list: by the number after the "COM"/"LPT" prefix,
// each name once. No Windows header, so the ordering is tested natively too.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// Length of the prefix ("COM", "LPT") that stands before a port's number.
constexpr std::size_t kPortPrefixChars = 3;

// The number written after the prefix, read as a signed decimal (leading blanks skipped, an
// optional sign, digits up to the first other character). No digits, or a name no longer than
// the prefix, give 0. Values beyond the range of int are held at its ends.
int PortNumber(std::string_view name);

// The names in ascending order of PortNumber; names with equal numbers keep the order they came
// in. A name equal to one already taken, ignoring case as the port list's search does, is left out.
std::vector<std::string> OrderPortNames(std::span<const std::string> names);
