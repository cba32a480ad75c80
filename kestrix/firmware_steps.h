// The firmware download's place in the main dialog: the five step LEDs, the firmware job and its
// worker thread. The download engine itself joins here when it is built.
#pragma once
#include <windows.h>

#include "framework/thread.h"

#include "led.h"

constexpr int kStepLedCount = 5;

// LED 0 to 4 on statics 1015 to 1019, top to bottom; made by start-up, deleted by the dialog.
extern CLed* g_pLed[kStepLedCount];

// Where the step LEDs stand in a client area of width x height pixels.
struct StepLedLayout {
    int x;
    int firstY;
    int step;
};
StepLedLayout StepLedPlaces(int width, int height);

// The firmware job (the download engine). Until the engine exists there is no job:
// CreateFirmwareJob makes nothing and StartFirmwareThread starts nothing and returns false.
void CreateFirmwareJob();
void SetFirmwareQuitEvent(HANDLE quitEvent);
bool StartFirmwareThread(CThread& thread);
// Deletes the LEDs that exist, LED 0 first, then the firmware job.
void DeleteFirmwareJobAndLeds();
