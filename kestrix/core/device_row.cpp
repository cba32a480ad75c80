// Splitting and building the TAB-separated device rows of the set-up dialogs.
#include "device_row.h"

#include <algorithm>

std::vector<std::string> SplitRowFields(std::string_view row, std::size_t maxFieldChars)
{
    std::vector<std::string> fields;
    std::size_t start = row.find('\t');
    if (start == std::string_view::npos)
        return fields;
    ++start;
    for (std::size_t end = row.find('\t', start); end != std::string_view::npos; end = row.find('\t', start)) {
        fields.emplace_back(row.substr(start, std::min(end - start, maxFieldChars)));
        start = end + 1;
    }
    return fields;
}

std::string JoinRowFields(std::span<const std::string> fields, std::size_t maxChars)
{
    std::string row = "\t";
    for (const std::string& field : fields) {
        row += field.empty() ? " " : field;
        row += '\t';
    }
    if (row.size() > maxChars)
        row.resize(maxChars);
    return row;
}
