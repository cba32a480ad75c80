// The Size and Date texts of a file-history row, from the file's status as the system reports it.
#pragma once
#include <windows.h>

#include "framework/string.h"

struct FileStatusText {
    CString size;  // low 32 bits of the size, "%ld"; "0" when the status cannot be read
    CString date;  // last modification, local time, "%B %d, %Y"; empty when unknown
};

FileStatusText ReadFileStatusText(const char* path);
