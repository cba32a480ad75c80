// Both history lists written to and read from an INI file through the private profile calls.
#pragma once
#include <windows.h>

#include "framework/string_list.h"

// Replaces both history sections of the file with the lists (every entry, list order, keys from 0).
// ERROR_SUCCESS, or the system error of the write that failed.
DWORD SaveHistoryIni(const char* path, const CStringList& files, const CStringList& strings);

enum class HistoryIniLoad {
    Loaded,
    WrongFile,  // a section without a readable "Count": the lists are left as they were
};

// Replaces both lists with the entries of the file. Within a count, missing entries, entries that
// read "NOT FOUND" and entries too long for the program's buffers are skipped.
HistoryIniLoad LoadHistoryIni(const char* path, CStringList& files, CStringList& strings);
