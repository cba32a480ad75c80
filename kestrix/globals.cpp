// The ten global objects of Kestrix.exe, in their construction order (one translation unit keeps
// the order fixed; destruction runs in reverse at exit, after the dialog and its threads are gone).
#include "globals.h"

#include "data_log.h"
#include "kestrix_app.h"
#include "my_file.h"
#include "transfer.h"

CEvent g_LogStopEvent(false, false);
CKestrixApp theApp;
CRingBuffer g_RxBuffer;
CRingBuffer g_UsmBuffer;
CTransfer g_Transfer;
CMyFile g_SendFile;
CMyFile g_RxDataFile;
CEvent g_FlashStartEvent(false, false);
CEvent g_FileStartEvent(false, false);
CEvent g_StringStartEvent(false, false);
