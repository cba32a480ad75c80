// The private window messages of the main dialog: what worker threads and transports send to it.
// wParam/lParam meanings are given beside each; handlers live with the job they belong to.
#pragma once
#include <windows.h>
#include "comm_info.h"  // WM_COMM_ERROR (WM_APP+14) and WM_SYSTEM_ERROR (WM_APP+15), posted by transports

// Batch run: start the command-line action. wParam 0, lParam 0.
#define WM_START_COMMAND  (WM_APP + 5)
// Transfer progress. wParam percent 0..100; lParam repeat number (-1 without repeat or from a firmware download).
#define WM_XFER_PROGRESS  (WM_APP + 6)
// Enable a firmware step label. wParam control id (1007..1012, 1022); lParam enable flag.
#define WM_ENABLE_ITEM    (WM_APP + 7)
// End of a firmware download, string or file transfer. wParam 0, lParam 0.
#define WM_XFER_DONE      (WM_APP + 8)
// Printer or line status word. wParam status; lParam 1 for the reader's first read, else 0.
#define WM_DEVICE_STATUS  (WM_APP + 9)
// Firmware step LED. wParam LED index 0..4; lParam CLed state.
#define WM_SET_LED        (WM_APP + 10)
// Firmware CRC. wParam 16-bit CRC; lParam 0.
#define WM_FLASH_CRC      (WM_APP + 11)
// Received bytes, sent synchronously. wParam byte count; lParam pointer to the sender's bytes.
#define WM_RX_DATA        (WM_APP + 12)
// USM channel bytes, sent synchronously. wParam byte count; lParam pointer to the sender's bytes.
#define WM_USM_DATA       (WM_APP + 13)
// Transfer rate. wParam ms since the start mark (0: no rate yet); lParam pointer to a double, kB/s.
#define WM_XFER_RATE      (WM_APP + 16)
// The file worker asks the GUI thread, which owns the connection, to reopen the USB port after a
// send (sent synchronously). wParam 0, lParam 0.
#define WM_RECONNECT_PORT (WM_APP + 17)
// The firmware worker asks the GUI thread to reopen the connection (ConnectPort(0)) after a USB
// printer switched to download mode (sent synchronously). wParam 0, lParam 0.
#define WM_FLASH_RECONNECT (WM_APP + 18)
// The display could not show bytes that arrived faster than it polls (sent synchronously).
// wParam 0 receive list, 1 USM list; lParam pointer to the sender's unsigned long long count.
#define WM_RX_SKIPPED     (WM_APP + 19)
// Received bytes could not be written to the capture file (the first failure of a span).
// wParam the system error; lParam 0.
#define WM_CAPTURE_FAILED (WM_APP + 20)

static_assert(WM_COMM_ERROR == WM_APP + 14 && WM_SYSTEM_ERROR == WM_APP + 15,
              "the transports post these two values");
