// Tooltips of the main dialog and of the port pages: each dialog's table of control ids and tip
// numbers, and the one answer to the tooltip's TTN_NEEDTEXTA / TTN_NEEDTEXTW requests.
#pragma once
#include <windows.h>

#include <cstddef>
#include <span>

#include "catalogue/catalogue.h"

// Room of a tip text, terminator included (characters of the wide form); longer tips are cut.
constexpr std::size_t kTipTextChars = 400;
// Width at which a tip wraps, so the line breaks of the catalogue's tips show.
constexpr int kTipMaxWidth = 500;

// A control and the catalogue's tip number for it; a table is searched from its first row.
struct TipRow {
    int controlId;
    int tip;
};

extern const TipRow kMainTips[34];
extern const TipRow kSerialTips[11];
extern const TipRow kUsbTips[8];
extern const TipRow kParallelTips[2];
extern const TipRow kEthernetTips[10];

// What a dialog shows for a control its table lacks (with a bound tip function).
enum class TipMiss { Empty, UndefinedControlId };

// The tip text of controlId into text (terminated, cut to capacity): the catalogue's tip of the
// first row for the control, empty without a tip function, a row, or a catalogue text.
void FindTipText(ThesGetTextFn tipFn, std::span<const TipRow> table, TipMiss miss, int controlId, char* text,
                 std::size_t capacity);

// The control id a tooltip request is about: a tool registered by window handle gives that
// window's control id.
int TipRequestControlId(const NMHDR* hdr);

// Answers a TTN_NEEDTEXTA or TTN_NEEDTEXTW request of a dialog's tooltip. The text is kept in the
// dialog's textA or textW buffer (made here with new[] of kTipTextChars, replacing the previous
// one; the dialog frees them with delete[]). Sets *result to 0 and returns TRUE.
BOOL AnswerTipRequest(NMHDR* hdr, LRESULT* result, ThesGetTextFn tipFn, std::span<const TipRow> table,
                      TipMiss miss, char*& textA, wchar_t*& textW);

// The tip function the main dialog bound; the port pages use it for their own tables.
ThesGetTextFn MainDialogTipFunction();
