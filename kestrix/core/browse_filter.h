// The Browse button's filter list and the initial name it gives the open-file dialog: a pattern
// made from the last file name and the filter that goes with it.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

struct BrowseFilter {
    const char* text;       // shown in the dialog
    const char* pattern;    // given to the dialog
    const char* extension;  // matched against a pattern's extension
};

// Filters 1 to 8 of the dialog (index 0 here is filter 1).
constexpr BrowseFilter kBrowseFilters[] = {
    {" All Files (*.*)", "*.*", ".*"},
    {" Boot Code Files (*.pbt)", "*.pbt", ".pbt"},
    {" BootStrap Code Files (*.bsl)", "*.bsl", ".bsl"},
    {" Flash Code Files (*.bin)", "*.bin", ".bin"},
    {" Setup Files (*.eep)", "*.eep", ".eep"},
    {" Test Files (*.tst)", "*.tst", ".tst"},
    {" Graphics Files (*.gfx)", "*.gfx", ".gfx"},
    {" Logo Files (*.log)", "*.log", ".log"},
};
constexpr int kBrowseFilterCount = static_cast<int>(sizeof kBrowseFilters / sizeof kBrowseFilters[0]);

// The dialog's filter string: text and pattern of each filter, each ended by a zero, and a final zero.
std::string BrowseFilterString();

// The starting name as a pattern: the file name after the last backslash becomes "*" and the text
// from its first '.', or "*.*" without a '.'; an empty name gives "*.*".
std::string BrowsePattern(std::string_view startName);

struct BrowseStart {
    std::string pattern;  // the dialog's initial file name
    int filterIndex;      // 1-based, as the dialog counts
};

// The initial name and filter: a remembered filter (1-based, 0 none) puts its extension in place of
// the pattern's; without one, the pattern's extension picks the filter whose extension it equals
// exactly (filters 1-7; the logo filter is never picked), else filter 1.
BrowseStart ChooseBrowseStart(std::string_view startName, int rememberedFilter);
