// The Browse button's initial pattern and filter.
#include "browse_filter.h"

std::string BrowseFilterString()
{
    std::string filters;
    for (const BrowseFilter& filter : kBrowseFilters) {
        filters += filter.text;
        filters += '\0';
        filters += filter.pattern;
        filters += '\0';
    }
    filters += '\0';
    return filters;
}

std::string BrowsePattern(std::string_view startName)
{
    if (startName.empty())
        return "*.*";
    const std::size_t slash = startName.rfind('\\');
    const std::size_t nameAt = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view name = startName.substr(nameAt);
    const std::size_t dot = name.find('.');
    std::string pattern(startName.substr(0, nameAt));
    pattern += dot == std::string_view::npos ? std::string("*.*") : "*" + std::string(name.substr(dot));
    return pattern;
}

BrowseStart ChooseBrowseStart(std::string_view startName, int rememberedFilter)
{
    BrowseStart start{BrowsePattern(startName), 1};
    const std::size_t dot = start.pattern.rfind('.');  // there is one: the pattern always has an extension
    if (rememberedFilter >= 1 && rememberedFilter <= kBrowseFilterCount) {
        start.filterIndex = rememberedFilter;
        start.pattern.replace(dot, std::string::npos, kBrowseFilters[rememberedFilter - 1].extension);
        return start;
    }
    const std::string_view extension = std::string_view(start.pattern).substr(dot);
    for (int i = 0; i < kBrowseFilterCount - 1; ++i) {
        if (extension == kBrowseFilters[i].extension) {
            start.filterIndex = i + 1;
            break;
        }
    }
    return start;
}
