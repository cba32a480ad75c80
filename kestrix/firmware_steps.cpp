// The firmware step LEDs and the firmware job's life in the main dialog.
#include "firmware_steps.h"

#include "flash_download.h"

CLed* g_pLed[kStepLedCount] = {};

StepLedLayout StepLedPlaces(int width, int height)
{
    // Proportions of the dialog's design size (726 x 484 pixels), so the LEDs follow the font scale.
    return StepLedLayout{width * 650 / 726, height * 105 / 484, height * 21 / 484};
}

void CreateFirmwareJob()
{
    if (!g_pFlashDownload)
        g_pFlashDownload = new CFlashDownload;
}

void SetFirmwareQuitEvent(HANDLE quitEvent)
{
    if (g_pFlashDownload)
        g_pFlashDownload->m_hQuitEvent = quitEvent;
}

bool StartFirmwareThread(CThread& thread)
{
    return g_pFlashDownload && thread.Start(FlashThreadProc, g_pFlashDownload, THREAD_PRIORITY_HIGHEST);
}

void DeleteFirmwareJobAndLeds()
{
    for (CLed*& led : g_pLed) {
        delete led;
        led = nullptr;
    }
    delete g_pFlashDownload;
    g_pFlashDownload = nullptr;
}
