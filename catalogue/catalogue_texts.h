// The rows of the message catalogue's four tables and the two languages it is built with.
// No Windows header: the tables are checked natively as well.
#pragma once

#include <cstdint>
#include <span>

// One numbered text; ids are unique within a table.
struct MessageEntry {
    std::int32_t id;
    const char* text;  // zero-terminated, Windows-1252
};

// The four tables of one language, each in its stored row order.
struct CatalogueTexts {
    std::span<const MessageEntry> errors;
    std::span<const MessageEntry> commErrors;
    std::span<const MessageEntry> captions;
    std::span<const MessageEntry> tips;
};

extern const CatalogueTexts kEnglishTexts;  // Sablon
extern const CatalogueTexts kFrenchTexts;   // Mirelo
