// The bounds the dialog's number fields accept. Values read from the settings and the command line
// are checked against the same bounds, so no field refuses a value the program put there itself.
#pragma once

constexpr int kMinTcpPort = 1;                   // the Ethernet page's three TCP port edits
constexpr int kMaxTcpPort = 65535;
constexpr unsigned kMaxRepeatDelayMs = 300000;   // the repeat delay edit (its minimum is 0)
