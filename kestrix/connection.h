// What the main dialog's connection management keeps besides the dialog's members: the interface
// of the last ConnectPort, the USB notification registration, and its fixed numbers.
#pragma once
#include <windows.h>

// The interface of the last ConnectPort (0 serial, 1 USB, 2 parallel, 3 Ethernet), -1 before any.
extern int g_nLastInterface;
// The device-interface notification registration of the main dialog, null until registered.
extern HDEVNOTIFY g_hUsbNotify;

// The USB driver's device-interface class: arrivals and removals of this class reconnect or close.
constexpr GUID kUsbDriverInterfaceClass = {0x325DDF96, 0x938C, 0x11D3, {0x9E, 0x34, 0x00, 0x80, 0xC8, 0x27, 0x27, 0xF4}};

// A failed USB connection is tried this many times, the transport dropped after each try.
constexpr int kUsbConnectTries = 5;
// Pause after a port is closed before the transport is dropped, and before a serial or parallel reopen.
constexpr DWORD kPortCloseSettleMs = 200;
constexpr DWORD kPortReopenPauseMs = 500;

// Catalogue errors of the connection.
constexpr int kErrorInvalidInterface = 25;
constexpr int kErrorStopReaderThread = 38;
