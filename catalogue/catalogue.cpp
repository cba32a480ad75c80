// Exports of a message catalogue library: the four tables of one language behind eight plain functions.
// Built once per language; KX_CATALOGUE_TEXTS names that language's tables.
#include "catalogue.h"

#include "message.h"

#ifndef KX_CATALOGUE_TEXTS
#error "KX_CATALOGUE_TEXTS must name the language's tables (kEnglishTexts, kFrenchTexts)"
#endif

namespace {

// Built when the library is loaded, in this order; the library keeps no other state.
CMessage ErrorTable(KX_CATALOGUE_TEXTS.errors);
CMessage CommErrorTable(KX_CATALOGUE_TEXTS.commErrors);
CMessageCap CaptionTable(KX_CATALOGUE_TEXTS.captions);
CMessageTip TipTable(KX_CATALOGUE_TEXTS.tips);

}  // namespace

extern "C" {

unsigned KX_CATALOGUE_CALL Thes_CaptionGetSize() { return CaptionTable.GetSize(); }
const char* KX_CATALOGUE_CALL Thes_CaptionGetText(int id) { return CaptionTable.GetText(id); }

unsigned KX_CATALOGUE_CALL Thes_CommErrorGetSize() { return CommErrorTable.GetSize(); }
const char* KX_CATALOGUE_CALL Thes_CommErrorGetText(int id) { return CommErrorTable.GetText(id); }

unsigned KX_CATALOGUE_CALL Thes_ErrorGetSize() { return ErrorTable.GetSize(); }
const char* KX_CATALOGUE_CALL Thes_ErrorGetText(int id) { return ErrorTable.GetText(id); }

unsigned KX_CATALOGUE_CALL Thes_TipGetSize() { return TipTable.GetSize(); }
const char* KX_CATALOGUE_CALL Thes_TipGetText(int id) { return TipTable.GetText(id); }

}
