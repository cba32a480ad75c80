// Browse's initial name and filter: the pattern made from the last file name, the filter its
// extension picks (exactly, case-sensitive), and the remembered filter's extension.
#include "core/browse_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BrowseFilter, InitialPatternAndFilterFromTheLastName)
{
    struct Case {
        const char* start;
        int remembered;
        const char* pattern;
        int filter;
    };
    const Case cases[] = {
        {"", 0, "*.*", 1},
        {"C:\\fw\\main.BIN", 0, "C:\\fw\\*.BIN", 1},  // not matched: the comparison is case-sensitive
        {"C:\\fw\\main.bin", 0, "C:\\fw\\*.bin", 4},
        {"C:\\fw\\main", 0, "C:\\fw\\*.*", 1},
        {"boot.pbt", 0, "*.pbt", 2},
        {"C:\\a.b\\image.tar.gfx", 0, "C:\\a.b\\*.tar.gfx", 7},
        {"C:\\logs\\x.log", 0, "C:\\logs\\*.log", 1},  // the logo filter is never picked by extension
        {"C:\\fw\\main.bin", 6, "C:\\fw\\*.tst", 6},
        {"C:\\fw\\main.bin", 1, "C:\\fw\\*.*", 1},
        {"", 8, "*.log", 8},
    };
    for (const Case& c : cases) {
        const BrowseStart start = ChooseBrowseStart(c.start, c.remembered);
        EXPECT_EQ(start.pattern, c.pattern) << c.start << " / " << c.remembered;
        EXPECT_EQ(start.filterIndex, c.filter) << c.start << " / " << c.remembered;
    }
}

TEST(BrowseFilter, FilterStringListsTextAndPatternPairsInOrder)
{
    const std::string filters = BrowseFilterString();
    const std::string expectedStart = std::string(" All Files (*.*)") + '\0' + "*.*" + '\0' +
                                      " Boot Code Files (*.pbt)" + '\0' + "*.pbt" + '\0';
    EXPECT_EQ(filters.substr(0, expectedStart.size()), expectedStart);
    const std::string expectedEnd = std::string(" Logo Files (*.log)") + '\0' + "*.log" + '\0' + '\0';
    ASSERT_GE(filters.size(), expectedEnd.size());
    EXPECT_EQ(filters.substr(filters.size() - expectedEnd.size()), expectedEnd);
}

} // namespace
