// The history manager's browse start: as the Browse button's, with the last filter matched too.
#include "row_browse_start.h"

BrowseStart ChooseRowBrowseStart(std::string_view rowPath, int rememberedFilter)
{
    BrowseStart start = ChooseBrowseStart(rowPath, rememberedFilter);
    // Browse leaves its last filter out of the match; the row browser matches all of them.
    constexpr int kLastFilter = kBrowseFilterCount;
    if (rememberedFilter == 0 && start.filterIndex == 1) {
        const std::string_view extension = std::string_view(start.pattern).substr(start.pattern.rfind('.'));
        if (extension == kBrowseFilters[kLastFilter - 1].extension)
            start.filterIndex = kLastFilter;
    }
    return start;
}
