// The history export file's rules: counts as "%d" reads them, the keys a count covers, values that
// survive the profile calls' trimming, the file name's extension and the row browser's start.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "core/history_ini.h"
#include "core/row_browse_start.h"

TEST(HistoryIni, CountIsReadAsALeadingDecimalNumber)
{
    const struct {
        const char* text;
        std::optional<int> count;
    } cases[] = {
        {"5", 5},           {"  12", 12},       {"+3", 3},      {"-2", -2},         {"7 entries", 7},
        {"0", 0},           {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"", std::nullopt}, {"abc", std::nullopt}, {"-", std::nullopt}, {"99999999999", std::nullopt},
        {"NOT FOUND", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIniCount(c.text), c.count) << '"' << c.text << '"';
}

TEST(HistoryIni, CountCoversOnlyTheKeysBelowItEachOnceInIndexOrder)
{
    const std::vector<std::string> keys = {"Count",         "Hist File #5", "hist file #2", "Hist File #02",
                                           "Hist File #x",  "Hist File #",  "Hist File #0", "HIST FILE #1",
                                           "Hist File #1",  "Hist File #-1", "Hist File #99999999999",
                                           "Hist String #3"};
    const struct {
        int count;
        std::vector<int> indexes;
    } cases[] = {
        {3, {0, 1, 2}},
        {6, {0, 1, 2, 5}},
        {INT_MAX, {0, 1, 2, 5}},  // a huge count costs no more than the keys present
        {1, {0}},
        {0, {}},
        {-4, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CountedKeyIndexes(keys, kIniFileKeyPrefix, c.count), c.indexes) << c.count;
    EXPECT_EQ(CountedKeyIndexes(keys, kIniStringKeyPrefix, 10), std::vector<int>{3});
}

TEST(HistoryIni, KeyNamesCarryTheIndexAsDecimal)
{
    EXPECT_EQ(IniKeyName(kIniFileKeyPrefix, 0), "Hist File #0");
    EXPECT_EQ(IniKeyName(kIniStringKeyPrefix, 123), "Hist String #123");
}

TEST(HistoryIni, ValuesTheProfileWouldTrimAreQuotedOthersWrittenAsTheyAre)
{
    const struct {
        const char* value;
        const char* written;
    } cases[] = {
        {"", ""},
        {"C:\\fw\\main.bin", "C:\\fw\\main.bin"},
        {"41 0A ", "\"41 0A \""},        // hex text ends in a blank
        {" abc", "\" abc\""},
        {"\t", "\"\t\""},
        {"\"quoted\"", "\"\"quoted\"\""},
        {"'single'", "\"'single'\""},
        {"\"half", "\"half"},             // not a pair: kept by the reader
        {"'", "'"},
        {"a \"b\" c", "a \"b\" c"},
        {"x\x1a", "\"x\x1a\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteIniValue(c.value), c.written) << '"' << c.value << '"';
}

TEST(HistoryIni, ValuesLongerThanTheReadBufferDoNotFit)
{
    EXPECT_TRUE(FitsIniValue(std::string(kIniValueCapacity - 1, 'a')));
    EXPECT_FALSE(FitsIniValue(std::string(kIniValueCapacity, 'a')));
    EXPECT_TRUE(FitsIniValue(""));
}

TEST(HistoryIni, SavedNameGetsIniUnlessItHoldsItInThatCase)
{
    const struct {
        const char* chosen;
        const char* saved;
    } cases[] = {
        {"hist", "hist.ini"},
        {"hist.INI", "hist.INI.ini"},
        {"C:\\h\\hist.ini", "C:\\h\\hist.ini"},
        {"hist.ini.bak", "hist.ini.bak"},
        {"C:\\my.ini\\hist", "C:\\my.ini\\hist"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithIniExtension(c.chosen), c.saved) << c.chosen;
}

TEST(RowBrowseStart, RowPathGivesPatternAndFilterEveryFilterMatched)
{
    const struct {
        const char* path;
        int remembered;
        const char* pattern;
        int filter;
    } cases[] = {
        {"C:\\fw\\code.bin", 0, "C:\\fw\\*.bin", 4},
        {"C:\\fw\\boot.log", 0, "C:\\fw\\*.log", 8},     // the logo files are matched here
        {"C:\\fw\\code.rel.bin", 0, "C:\\fw\\*.rel.bin", 4},
        {"C:\\fw\\main.BIN", 0, "C:\\fw\\*.BIN", 1},     // compared exactly
        {"C:\\fw\\noext", 0, "C:\\fw\\*.*", 1},
        {"code.tst", 0, "*.tst", 6},
        {"", 0, "*.*", 1},
        {"New", 0, "*.*", 1},
        {"C:\\fw\\code.bin", 8, "C:\\fw\\*.log", 8},     // a remembered filter wins
        {"C:\\fw\\code.bin", 1, "C:\\fw\\*.*", 1},
        {"C:\\fw\\code.log", 3, "C:\\fw\\*.bsl", 3},
    };
    for (const auto& c : cases) {
        const BrowseStart start = ChooseRowBrowseStart(c.path, c.remembered);
        EXPECT_EQ(start.pattern, c.pattern) << c.path;
        EXPECT_EQ(start.filterIndex, c.filter) << c.path << " " << c.remembered;
    }
}
