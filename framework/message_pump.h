// How every message loop of the program handles one message: the dialogs' PreTranslateMessage first
// (from the target window up through its parents), then dialog keyboard handling, then dispatch.
// Include as "framework/message_pump.h".
#pragma once

#include <windows.h>

// True when a dialog on the way from msg->hwnd up to its top-level window took the message.
bool PreTranslateThroughDialogs(MSG* msg);
// Pre-translates, then IsDialogMessage for the top-level dialog, else TranslateMessage and DispatchMessage.
void ProcessMessage(MSG* msg);
// Handles every message already waiting; false when WM_QUIT was among them (it is posted again).
bool PumpPendingMessages();
