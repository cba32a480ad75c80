// The library's one CommErrorArgs record and the post of errors 1 and 10 that carry it.
#pragma once
#include "comm_info.h"

// One per library: each post overwrites it; the notify window reads it when it handles the message.
extern CommErrorArgs g_CommErrorArgs;

// Fills g_CommErrorArgs with the port and detail (each cut to fit) and posts WM_COMM_ERROR id.
void PostCommErrorWithArgs(CCommInfo& info, int id, const char* portName, const char* detail);
