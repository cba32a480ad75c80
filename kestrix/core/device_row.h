// Device rows as the set-up dialogs exchange them: texts that begin with a TAB and end each field
// with a TAB ("\tA\tB\tC\t").
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The fields of a row: each text ended by a TAB after the row's first TAB, in order, empty ones
// included; each cut to maxFieldChars. Text before the first TAB or after the last one is no field.
std::vector<std::string> SplitRowFields(std::string_view row, std::size_t maxFieldChars);

// "\t" + each field + "\t", a field that cannot be had (empty) written as one space; cut to
// maxChars characters.
std::string JoinRowFields(std::span<const std::string> fields, std::size_t maxChars);
