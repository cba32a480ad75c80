// Fuzz target: the readers of text the program stored or is given to import, on any bytes. Each
// gives a value or "absent" without an exception, reads nothing past its input and keeps the
// properties its callers rely on.
#include "core/history_ini.h"
#include "framework/profile_binary.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Newline-separated names, as a key's value names would come from the registry or a profile.
std::vector<std::string> Names(std::string_view text)
{
    std::vector<std::string> names;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        names.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // A binary profile entry: never more bytes than its digits hold; any bytes read back whole.
    if (const auto bytes = DecodeProfileBinary(text))
        Require(bytes->size() * 2 <= text.size());
    const auto back = DecodeProfileBinary(EncodeProfileBinary(data, size));
    Require(back && back->size() == size && std::equal(back->begin(), back->end(), data));

    // A history count, and the keys it covers: ascending, each once, each below the count.
    const std::optional<int> count = ParseIniCount(text);
    for (std::string_view prefix : {std::string_view(kIniFileKeyPrefix), std::string_view(kIniStringKeyPrefix)}) {
        const std::vector<int> indexes = CountedKeyIndexes(Names(text), prefix, count.value_or(static_cast<int>(size)));
        for (size_t i = 0; i < indexes.size(); ++i) {
            Require(indexes[i] >= 0 && indexes[i] < count.value_or(static_cast<int>(size)));
            Require(i == 0 || indexes[i - 1] < indexes[i]);
        }
    }
    Require(FitsIniValue(text) == (size < kIniValueCapacity));
    QuoteIniValue(text);
    return 0;
}
