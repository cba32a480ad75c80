// The program's global objects, built before the entry point in the order of globals.cpp
// and destroyed in the reverse order at exit.
#pragma once
#include "framework/event.h"

#include "core/ring_buffer.h"

class CKestrixApp;

extern CEvent g_LogStopEvent;       // stops the session log's writer (auto-reset)
extern CKestrixApp theApp;
extern CRingBuffer g_RxBuffer;      // bytes received on the main channel
extern CRingBuffer g_UsmBuffer;     // bytes received on the USM status channel
extern CEvent g_FlashStartEvent;    // wakes the firmware download worker (auto-reset)
extern CEvent g_FileStartEvent;     // wakes the file transfer worker (auto-reset)
extern CEvent g_StringStartEvent;   // wakes the string transfer worker (auto-reset)
