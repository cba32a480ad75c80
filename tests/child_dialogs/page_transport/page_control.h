// What the page transport lists and answers, as a test sets it, and what it records of the calls
// the settings pages and the connection make.
#pragma once
#include <windows.h>

constexpr int kPageTransportRows = 64;

struct PageControl {
    // Set by the test.
    char names[kPageTransportRows][128];  // rows EnumDevices copies out, as they stand (terminated or not)
    int nameCount;                        // rows there are to list
    int claimCount;                       // what EnumDevices answers in *count; -1: the rows it filled
    int listResult;                       // EnumDevices' result
    int usmFlag;                          // USB listing: the device's USM input and real-time output
    int realTimeFlag;
    int checkResult;                      // CheckSettings: 0 unchanged, 1 changed, 2 never opened
    int openResult;

    // Recorded by the transport.
    int enumCalls;
    int enumCapacity;                     // *count on entry of the last EnumDevices
    char enumPrefix[8];                   // its prefix ("" for none)
    int checkCalls;
    int checkArgs[7];                     // arguments of the last CheckSettings
    int openCalls;
};

typedef PageControl* (*PFN_PageGetControl)();
