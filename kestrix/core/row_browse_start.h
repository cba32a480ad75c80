// Where the history manager's file browser starts for a row: the Browse button's pattern and
// filters, every filter's extension (the logo files' too) matched against the row's.
#pragma once
#include <string_view>

#include "browse_filter.h"

// rememberedFilter: the filter chosen last (1-based), 0 when none was.
BrowseStart ChooseRowBrowseStart(std::string_view rowPath, int rememberedFilter);
