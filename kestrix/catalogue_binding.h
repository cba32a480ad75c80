// Binding the message catalogue library chosen by "Thesaurus DLL Name": its four text functions,
// and the captions it gives the main dialog and the four port pages.
#pragma once
#include <windows.h>

#include <cstddef>
#include <span>

#include "catalogue/catalogue.h"

// Room of the caption buffer GetCaption hands out, terminator included; longer captions are cut.
constexpr std::size_t kCaptionChars = 252;

// The four text functions of a catalogue; null where the library lacks one.
struct CatalogueTexts {
    ThesGetTextFn error = nullptr;
    ThesGetTextFn commError = nullptr;
    ThesGetTextFn caption = nullptr;
    ThesGetTextFn tip = nullptr;
};

// Loads the library under name exactly as given (no directory added) and binds the four
// Thes_*GetText functions by name. Each failure shows its fixed English box ("Thesaurus DLL not
// found", "Thes_ErrorGetText function not found", ...) and binding goes on with the next one.
// Returns the library, or null when it could not be loaded (texts then all null).
HMODULE BindCatalogue(const char* name, CatalogueTexts& texts);

// The caption for number, cut to kCaptionChars, in one static buffer that the next call reuses.
// Null when no caption function is bound or the catalogue has no text for number: the caller
// then leaves the control as it is.
const char* FormatCaption(ThesGetTextFn captionFn, int number);

// One caption of a dialog: the window text of a control, or the heading of a list-view column.
struct CaptionRow {
    int controlId;
    int caption;
    int column = -1;  // >= 0: heading of this column of the list view controlId
};

// Applies rows in order; a control the catalogue has no text for keeps its template text.
void ApplyCaptions(HWND dialog, std::span<const CaptionRow> rows, ThesGetTextFn captionFn);

// The caption passes of the five dialogs, as LoadCatalogue runs them.
void ApplyMainCaptions(HWND dialog, ThesGetTextFn captionFn);
void ApplySerialCaptions(HWND dialog, ThesGetTextFn captionFn);
// realTimeChannel: the USB device has a real-time output (main radio reads "Normal", else
// "Normal / Real Time").
void ApplyUsbCaptions(HWND dialog, ThesGetTextFn captionFn, bool realTimeChannel);
void ApplyParallelCaptions(HWND dialog, ThesGetTextFn captionFn);
void ApplyEthernetCaptions(HWND dialog, ThesGetTextFn captionFn);
