// The serial transport opened through Dorvane as the main dialog opens it (115200 8N1, no flow
// control), and the transfer engine pointed at it, for the engine's end-to-end tests. Header
// only: it needs Dorvane and the transfer engine, which those tests link themselves.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include "dorvane.h"
#include "transfer.h"

namespace test_support {

// Call through ASSERT_NO_FATAL_FAILURE: a failed step ends the set-up.
inline void OpenSerialThroughDorvane(HWND notify, DWORD portId, const char* portName, int sizeIndex)
{
    ASSERT_NE(Comm_OpenSetup(notify, kDorvaneSerial, 1), 0);
    ASSERT_EQ(Comm_IsConnectionValid(portId, sizeIndex, 0, 0, 0, 3, 0), 2);
    DWORD port = portId;
    char name[16] = {};
    lstrcpynA(name, portName, sizeof name);
    int baud = 0, parity = 0, flow = 0, dataBits = 3, stopBits = 0;
    ASSERT_NE(Comm_UpdateConnection(0, port, name, baud, parity, flow, dataBits, stopBits), 0);
    Comm_SetConnect(Comm_IsPortAvailable());
    ASSERT_TRUE(CreateAbortEvent());
    ResetEvent(g_TransferAbortEvent);
    g_Transfer.SetNotifyWindow(notify);
}

}  // namespace test_support
