// What the probe transport records of each call, and what the test tells it to answer.
#pragma once
#include "comm_info.h"
#include <cstdint>

// CCommInfo slots in declaration order.
enum ProbeSlot {
    kSlotDestructor, kSlotIsConnected, kSlotOpen, kSlotWrite, kSlotRead, kSlotGetProperties,
    kSlotRequestStatus, kSlotDecodeStatus, kSlotEnumDevices, kSlotCheckSettings, kSlotSetDeviceParams,
    kSlotCheckPortOwner, kSlotOpenPort, kSlotClose, kSlotInit, kSlotCount
};

// How the probe's Read answers.
enum ProbeReadMode {
    kReadAtOnce,          // TRUE with the data
    kReadPendingDone,     // FALSE/ERROR_IO_PENDING, the record already completed with the data
    kReadPendingOpen,     // FALSE/ERROR_IO_PENDING, left pending until the test completes it
    kReadFails,           // FALSE/ERROR_READ_FAULT
    kReadSystem,          // ReadFile itself, as the serial and USB transports
};

struct ProbeControl {
    // Recorded by the probe.
    int factoryCalls;
    HWND factoryWindow;
    int factoryWinNT;
    CCommInfo* object;          // the last object made
    int calls[kSlotCount];      // per slot
    int order[64];              // slots in call order (first 64 calls)
    int orderCount;
    int lastSlot;
    uintptr_t lastArgs[8];      // arguments of the last call, as given
    int enumCapacity;           // *count when EnumDevices was entered
    OVERLAPPED* pendingRecord;  // a read left pending (kReadPendingOpen)
    char* pendingBuffer;
    DWORD pendingLength;

    // Set by the test.
    int factoryFails;           // the factory returns NULL
    int result;                 // what the int slots return
    int devicesToList;          // rows EnumDevices claims to have listed (it writes only what fits)
    ProbeReadMode readMode;
    char readData[32];          // what Read delivers
    DWORD readLength;
    char properties[64];        // what GetProperties appends
    DWORD decodeMs;             // how long DecodeStatus keeps its caller
    int dropsWhenDecodeEnded;   // destructor calls seen as DecodeStatus returned
};

// Exported by the probe library besides GetNewInfoPtr.
typedef ProbeControl* (*PFN_ProbeGetControl)();
