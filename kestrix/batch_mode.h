// The command line's batch actions on the main dialog: a parsed command line applied to the
// dialog's members, the syntax box and the errors shown, and the action started once connected.
#pragma once

#include "core/command_line.h"

class CKestrixDlg;

// ParseCommandLine on a given text (the dialog's own passes the application's command line):
// shows the syntax box or the errors, applies the settings and returns the batch mode. A run
// that stops (the syntax box, an invalid mode) has its window closed.
int ApplyBatchCommandLine(CKestrixDlg& dlg, const char* commandLine);

// Writes what a command line set into the members of the dialog and of its port pages.
void ApplyCommandLineSettings(CKestrixDlg& dlg, const ParsedCommandLine& parsed);
