// The firmware step LEDs and the firmware job's life in the main dialog.
#include "firmware_steps.h"

CLed* g_pLed[kStepLedCount] = {};

StepLedLayout StepLedPlaces(int width, int height)
{
    // Proportions of the dialog's design size (726 x 484 pixels), so the LEDs follow the font scale.
    return StepLedLayout{width * 650 / 726, height * 105 / 484, height * 21 / 484};
}

void CreateFirmwareJob()
{
    // No download engine yet: no job is made and firmware downloads are not offered.
}

void SetFirmwareQuitEvent(HANDLE)
{
    // Handed to the job once the download engine exists.
}

bool StartFirmwareThread(CThread&)
{
    return false;  // nothing to run without a job
}

void DeleteFirmwareJobAndLeds()
{
    for (CLed*& led : g_pLed) {
        delete led;
        led = nullptr;
    }
}
