// What the pipe transport is told by a test and what it records: a transport whose port is the
// client end of a named pipe, so overlapped writes and reads really pend and complete.
#pragma once
#include <windows.h>

struct PipeControl {
    // Set by the test.
    char pipeName[128];
    int checkResult;            // what CheckSettings answers (0 unchanged, 1 changed, 2 never opened)
    int openResult;             // 0: Open fails
    int faultAfterWrites;       // writes after this many fail with ERROR_WRITE_FAULT; -1 never
    unsigned commPacketSize;
    unsigned stringPacketSize;
    unsigned downloadPacketSize;
    int keepWrites;             // writes pend and never end, whatever cancels them (a driver that keeps them)
    int keepReads;              // reads likewise

    // Recorded by the transport.
    int checkCalls;
    int openCalls;
    int closeCalls;
    int writeCalls;
    int pendingWrites;          // writes the pipe did not take at once (its buffer was full)
    DWORD writeSizes[64];       // sizes of the first 64 writes
    int objectsAlive;           // transport objects made and not yet destroyed
};

typedef PipeControl* (*PFN_PipeGetControl)();
