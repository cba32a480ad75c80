// The eight exports of a message catalogue library (Sablon, Mirelo), bound by name at run time.
// Plain C names, caller-cleans calling convention.
#pragma once

#if defined(_WIN32)
#define KX_CATALOGUE_CALL __cdecl
#else
#define KX_CATALOGUE_CALL
#endif

// Number of rows of a table; the same in every language.
using ThesGetSizeFn = unsigned(KX_CATALOGUE_CALL*)();
// Text of an id, owned by the library while it stays loaded; null for an id the table lacks.
using ThesGetTextFn = const char*(KX_CATALOGUE_CALL*)(int id);

extern "C" {
unsigned KX_CATALOGUE_CALL Thes_CaptionGetSize();
const char* KX_CATALOGUE_CALL Thes_CaptionGetText(int id);
unsigned KX_CATALOGUE_CALL Thes_CommErrorGetSize();
const char* KX_CATALOGUE_CALL Thes_CommErrorGetText(int id);
unsigned KX_CATALOGUE_CALL Thes_ErrorGetSize();
const char* KX_CATALOGUE_CALL Thes_ErrorGetText(int id);
unsigned KX_CATALOGUE_CALL Thes_TipGetSize();
const char* KX_CATALOGUE_CALL Thes_TipGetText(int id);
}
