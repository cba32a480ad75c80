// The scripted transport's record of what the main dialog asked of it, and the answers the test
// gives it. One copy lives in each library built from it (as Vorbeck.dll and as Pindoro.dll).
#pragma once
#include "comm_info.h"

struct ScriptControl {
    // Recorded: calls of the factory, of the object's destructor (the transport dropped), of
    // CheckSettings, Open and Close; events in order: F made, V checked, O opened, C closed, D dropped,
    // P properties reported.
    int factoryCalls;
    int dropCalls;
    int checkCalls;
    int openCalls;
    int closeCalls;
    int lastRestart;
    // Open's fourth argument (USB: the output channel) of the port the last write went out on.
    int writtenChannel;
    char events[256];
    int eventCount;
    // Answers.
    int checkResult;       // what CheckSettings answers (0 unchanged, 1 changed, 2 never opened)
    int openResult;        // what Open answers (0 failed)
    int portAvailable;
    int bidirectional;
    int ports;             // port names EnumDevices lists ("COM1", "COM2", ...)
    int asyncRead;         // a reader thread reads the port (reads give the bytes of toRead, once)
    int readRepeats;       // every read gives the bytes of toRead, not only the first
    int requestStatus;     // what RequestStatus answers (1: the status is at hand, decoded at once)
    // How long each status decoding and each presence check (IsConnected) keeps its caller (a reader
    // that is slow to stop); read anew as the caller waits, so 0 releases it. How many have waited.
    DWORD statusDelayMs;
    DWORD presenceDelayMs;
    int statusHeld;
    int presenceHeld;
    int keepWrites;        // writes pend and never end, whatever cancels them (a driver that keeps them)
    int keepReads;         // the same for the data reader's reads
    int readsKept;         // how many reads were kept so far
    char toRead[64];       // what the next read gives, toReadCount bytes
    int toReadCount;
    char written[256];     // what the writes took, in order (writtenCount bytes, the first 256 kept)
    int writtenCount;
};

typedef ScriptControl* (*PFN_ScriptGetControl)();
