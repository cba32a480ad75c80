// The firmware download's place in the main dialog: the five step LEDs, the firmware job and its
// worker thread, made by start-up and freed by the dialog once the worker has ended.
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

// Makes the one download job (g_pFlashDownload) when there is none.
void CreateFirmwareJob();
void SetFirmwareQuitEvent(HANDLE quitEvent);
// Starts the flash worker on the job at the highest priority; false when there is no job or no thread.
bool StartFirmwareThread(CThread& thread);
// Deletes the LEDs that exist, LED 0 first, then the firmware job.
void DeleteFirmwareJobAndLeds();
