// The program's global objects that the engine uses, for test programs that link the engine
// without the program's entry point.
#include "globals.h"
#include "my_file.h"
#include "transfer.h"

CEvent g_LogStopEvent(false, false);
CRingBuffer g_RxBuffer;
CRingBuffer g_UsmBuffer;
CTransfer g_Transfer;
CMyFile g_SendFile;
CMyFile g_RxDataFile;
CEvent g_FlashStartEvent(false, false);
CEvent g_FileStartEvent(false, false);
CEvent g_StringStartEvent(false, false);
