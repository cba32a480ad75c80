// CKestrixDlg: construction, start-up (OnInitDialog), the message map, and the way out
// (OnClose, DestroyWindow, the destructor) with the worker threads ended first.
#include "kestrix_dlg.h"

#include <commctrl.h>

#include <vector>

#include "framework/app.h"
#include "framework/profile.h"

#include "data_log.h"
#include "error_report.h"
#include "firmware_steps.h"
#include "globals.h"
#include "kestrix_app.h"
#include "messages.h"
#include "my_file.h"
#include "receive_display.h"
#include "res/resource.h"
#include "splash_wnd.h"
#include "transfer.h"
#include "version.h"
#include "window_placement.h"

namespace {

constexpr const char* kRxDataBaseName = "rxdata";
constexpr const char* kLogBaseName = "KestrixLog";
// How long the way out waits for each worker to end before it frees what they use.
constexpr DWORD kWorkerEndMs = 10000;

} // namespace

CKestrixDlg::CKestrixDlg(HWND parent) : CDialog(IDD_KESTRIX_DIALOG, parent)
{
    m_hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    g_pfnErrorGetText = nullptr;
    g_pfnCommErrorGetText = nullptr;
    EnableToolTips();
    if (!HasCommandLine())
        CSplashWnd::ShowFor(kSplashMs);
}

const MessageMap* CKestrixDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapNotifyRange(TTN_NEEDTEXTW, 0, 0xFFFF, &CKestrixDlg::OnToolTipNotify),
        MapNotifyRange(TTN_NEEDTEXTA, 0, 0xFFFF, &CKestrixDlg::OnToolTipNotify),
        MapMessage(WM_DROPFILES, &CKestrixDlg::OnDropFiles),
        MapMessage(WM_SYSCOMMAND, &CKestrixDlg::OnSysCommand),
        // WM_PAINT: the dialog's own painting.
        MapMessage(WM_QUERYDRAGICON, &CKestrixDlg::OnQueryDragIcon),
        MapMessage(WM_KEYDOWN, &CKestrixDlg::OnKeyDown),
        MapNotify(IDC_FILE_HISTORY, NM_DBLCLK, &CKestrixDlg::OnDblclkFileHistory),
        MapClicked(IDC_IF_USB, &CKestrixDlg::OnSelectUsb),
        MapClicked(IDC_START_FIRMWARE, &CKestrixDlg::OnStartFirmware),
        MapClicked(IDC_START_FILE, &CKestrixDlg::OnStartFile),
        MapClicked(IDC_CLEAR_BUFFER, &CKestrixDlg::OnClearBuffer),
        MapClicked(IDC_BROWSE, &CKestrixDlg::OnBrowse),
        MapClicked(IDC_START_STRING, &CKestrixDlg::OnStartString),
        MapClicked(IDC_REPEAT, &CKestrixDlg::OnRepeat),
        MapClicked(IDC_HEX, &CKestrixDlg::OnSelectHex),
        MapClicked(IDC_ASCII, &CKestrixDlg::OnSelectAscii),
        MapClicked(IDC_IF_PARALLEL, &CKestrixDlg::OnSelectParallel),
        MapClicked(IDC_IF_SERIAL, &CKestrixDlg::OnSelectSerial),
        MapClicked(IDC_IF_ETHERNET, &CKestrixDlg::OnSelectEthernet),
        MapClicked(IDC_LOTTERY_PACKET, &CKestrixDlg::OnLotteryPacket),
        MapClicked(IDC_KIOSK_PACKET, &CKestrixDlg::OnKioskPacket),
        MapClicked(IDC_SHOW_USM, &CKestrixDlg::OnShowUsm),
        MapMessage(WM_START_COMMAND, &CKestrixDlg::OnStartCommand),
        MapMessage(WM_XFER_PROGRESS, &CKestrixDlg::OnProgress),
        MapMessage(WM_ENABLE_ITEM, &CKestrixDlg::OnEnableItem),
        MapMessage(WM_XFER_DONE, &CKestrixDlg::OnTransferEnd),
        MapMessage(WM_DEVICE_STATUS, &CKestrixDlg::OnStatusLeds),
        MapMessage(WM_SET_LED, &CKestrixDlg::OnSetLed),
        MapMessage(WM_FLASH_CRC, &CKestrixDlg::OnCrcValue),
        MapMessage(WM_RX_DATA, &CKestrixDlg::OnRxData),
        MapMessage(WM_USM_DATA, &CKestrixDlg::OnUsmData),
        MapMessage(WM_RX_SKIPPED, &CKestrixDlg::OnRxSkipped),
        MapMessage(WM_CAPTURE_FAILED, &CKestrixDlg::OnCaptureFailed),
        MapNotify(IDC_RX_LIST, LVN_GETDISPINFOA, &CKestrixDlg::OnGetRxRowText),
        MapNotify(IDC_RX_LIST, LVN_GETDISPINFOW, &CKestrixDlg::OnGetRxRowText),
        MapNotify(IDC_USM_LIST, LVN_GETDISPINFOA, &CKestrixDlg::OnGetUsmRowText),
        MapNotify(IDC_USM_LIST, LVN_GETDISPINFOW, &CKestrixDlg::OnGetUsmRowText),
        MapMessage(WM_COMM_ERROR, &CKestrixDlg::OnShowError),
        MapMessage(WM_SYSTEM_ERROR, &CKestrixDlg::OnSystemError),
        MapClicked(IDC_SAVE_RX, &CKestrixDlg::OnSaveRxBuffer),
        MapMessage(WM_XFER_RATE, &CKestrixDlg::OnTransferRate),
        MapMessage(WM_FLASH_RECONNECT, &CKestrixDlg::OnFlashReconnect),
        MapMessage(WM_RECONNECT_PORT, &CKestrixDlg::OnReconnectPort),
        MapClicked(IDC_VIEW_LOG, &CKestrixDlg::OnViewLog),
        MapNotify(IDC_FILE_HISTORY, LVN_ITEMCHANGED, &CKestrixDlg::OnItemChangedFileList),
        MapMessage(WM_DEVICECHANGE, &CKestrixDlg::OnDeviceChange),
        MapMessage(WM_CLOSE, &CKestrixDlg::OnClose),
    };
    static const MessageMap map{entries, CDialog::GetMessageMap()};
    return &map;
}

BOOL CKestrixDlg::OnInitDialog()
{
    // 1. The framework's own initialisation.
    CDialog::OnInitDialog();
    // 2. Title.
    CString title;
    title.Format("Kestrix V%d.%d.%d -  pid=%X", kVersionMajor, kVersionMinor, kVersionRelease,
                 static_cast<unsigned>(GetCurrentProcessId()));
    SetWindowText(title);
    // 3. Dropped files.
    DragAcceptFiles(true);
    // 4. USB arrival and removal.
    RegisterUsbNotification();
    // 5. The four port pages over the placeholder.
    CreatePortPages();
    // 6. The Ethernet page shows the stored address and starts on its main channel.
    m_dlgEthernet.SendDlgItemMessage(IDC_ETHERNET_ADDRESS, IPM_SETADDRESS, 0,
                                     static_cast<LPARAM>(m_dlgEthernet.m_dwIpAddress));
    m_dlgEthernet.m_nOutChannel = 0;
    // 7. Captions and tooltips from the message catalogue.
    LoadCatalogue();
    // 8. Interfaces this system does not offer.
    if (!theApp.IsUsbCapableOs()) {
        if (m_nInterface == 1)
            m_nInterface = 0;
        GetDlgItem(IDC_IF_USB).EnableWindow(false);
    }
    if (!theApp.IsParallelCapableOs()) {
        if (m_nInterface == 2)
            m_nInterface = 0;
        GetDlgItem(IDC_IF_PARALLEL).EnableWindow(false);
    }
    // 9. System menu.
    AddSystemMenuCommands();
    // 10. Icons.
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);
    // 11. Fixed-pitch font of the two hex lists.
    m_fontLists.CreateFont(14, 6, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Lucida Console");
    GetDlgItem(IDC_RX_LIST).SetFont(m_fontLists, true);
    GetDlgItem(IDC_USM_LIST).SetFont(m_fontLists, true);
    // 12. Nothing in the last rows of the hex lists yet.
    m_nRxRowBytes = 0;
    m_nUsmRowBytes = 0;
    // 13. Firmware job and the five step LEDs.
    CreateFirmwareJobAndLeds();
    // 14. List columns.
    SetUpListColumns();
    ShowUsmList(FALSE);
    // 15. File history, the newest on top.
    for (const CString& path : theApp.m_listFilesHistory)
        AddFileToHistory(path);
    m_strFileName = m_listFiles.GetItemCount() > 0 ? m_listFiles.GetItemText(0, 0) : CString();
    // 16. String history.
    for (const CString& text : theApp.m_listStringsHistory)
        AddStringToHistory(text);
    if (m_comboStrings.GetCount() > 0)
        m_strDataString = m_comboStrings.GetLBText(0);
    // 17. Firmware steps and repeat controls start disabled.
    for (int id = IDC_STEP_DOWNLOAD_MODE; id <= IDC_STEP_READ_CRC; ++id)
        EnableDlgItem(id, FALSE);
    for (int id = IDC_REPEAT_COUNT; id <= IDC_DELAY_LABEL; ++id)
        EnableDlgItem(id, FALSE);
    // 18. Command line: a lone syntax request ends the start-up here.
    m_nBatchMode = ParseCommandLine();
    if (m_nBatchMode == 1)
        return FALSE;
    // 19. Capture file of received data. A file that cannot be made is reported through this
    // window once the dialog runs, and the receivers go on trying to make it.
    m_strRxDataFile = MakeRxDataFileName();
    g_RxDataFile.SetReportWindow(m_hWnd);
    g_RxDataFile.Create(m_strRxDataFile);
    // 20. The members into the controls.
    UpdateAllData(FALSE);
    // 21. Progress bar over its frame.
    CreateProgressBar();
    // 22. Quit event and the worker threads.
    m_evDisplayStop.Reset();
    m_hQuitEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_hQuitEvent)
        StartWorkerThreads();
    // 23. Session log.
    OpenLog();
    // 24. Connect the configured interface.
    UpdateAllData(FALSE);
    ConnectPort(1);
    UpdateAllData(FALSE);
    // 25. Batch runs start their action once the dialog is up.
    if (m_nBatchMode >= 2 && m_nBatchMode <= 5)
        PostMessage(WM_START_COMMAND, 0, 0);
    // 26. Stored position and show state, with the dialog's own size.
    RestoreWindowPlacement();
    // 27.
    return TRUE;
}

void CKestrixDlg::CreatePortPages()
{
    RECT place = {};
    CWindow placeholder = GetDlgItem(IDC_CHILD_PLACEHOLDER);
    placeholder.GetWindowRect(&place);
    ScreenToClient(&place);
    CDialog* pages[] = {&m_dlgSerial, &m_dlgParallel, &m_dlgUsb, &m_dlgEthernet};
    for (CDialog* page : pages) {
        if (!page->Create(page->GetTemplateId(), m_hWnd))
            continue;
        page->SetWindowPos(nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        page->ShowWindow(SW_SHOW);
    }
}

void CKestrixDlg::AddSystemMenuCommands()
{
    CString about, strings, files;
    about.LoadString(IDS_ABOUTBOX);
    strings.LoadString(IDS_MANAGE_STRINGS_HISTORY);
    files.LoadString(IDS_MANAGE_FILES_HISTORY);
    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    if (!menu || about.IsEmpty())
        return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_MANAGE_STRINGS_HISTORY, strings);
    AppendMenuA(menu, MF_STRING, IDM_MANAGE_FILES_HISTORY, files);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
}

void CKestrixDlg::CreateFirmwareJobAndLeds()
{
    RECT client = {};
    GetClientRect(&client);
    const StepLedLayout layout = StepLedPlaces(client.right - client.left, client.bottom - client.top);
    CreateFirmwareJob();
    // m_ledStatic holds statics 1019 down to 1015; LED i sits on static 1015 + i.
    for (int i = 0; i < kStepLedCount; ++i)
        g_pLed[i] = new CLed(&m_ledStatic[4 - i], 0, IDB_LED_RED, IDB_LED_GREEN, layout.x,
                             layout.firstY + i * layout.step);
}

void CKestrixDlg::SetUpListColumns()
{
    m_listFiles.SetExtendedStyle(m_listFiles.GetExtendedStyle() | LVS_EX_INFOTIP);
    struct Column {
        int caption;
        int width;
        int format;
    };
    const Column fileColumns[] = {{11, 261, LVCFMT_LEFT}, {12, 50, LVCFMT_RIGHT}, {13, 110, LVCFMT_RIGHT}};
    for (int i = 0; i < 3; ++i) {
        const char* title = GetCaption(fileColumns[i].caption);
        m_listFiles.InsertColumn(i, title ? title : "", fileColumns[i].format, fileColumns[i].width);
    }
    m_listRx.InsertColumn(0, "Hex", LVCFMT_LEFT, 310);
    m_listRx.InsertColumn(1, "ASCII", LVCFMT_LEFT, 110);
}

CString CKestrixDlg::MakeRxDataFileName()
{
    const DWORD pid = GetCurrentProcessId();
    CString name;
    name.Format("%s\\%s.bin", theApp.m_strExeDir.c_str(), kRxDataBaseName);
    // Held unshared by a running instance: a second instance captures under its own name.
    HANDLE probe = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        name.Format("%s\\%s-pid%X.bin", theApp.m_strExeDir.c_str(), kRxDataBaseName, static_cast<unsigned>(pid));
    else
        CloseHandle(probe);
    return name;
}

void CKestrixDlg::CreateProgressBar()
{
    RECT frame = {};
    GetDlgItem(IDC_PROGRESS).GetWindowRect(&frame);
    ScreenToClient(&frame);
    m_progress.Create(WS_CHILD | WS_VISIBLE | PBS_SMOOTH, frame, m_hWnd, IDC_PROGRESS);
    m_progress.SetRange(0, 100);
}

bool CKestrixDlg::StartWorkerThreads()
{
    SetFirmwareQuitEvent(m_hQuitEvent);
    g_Transfer.SetQuitEvent(m_hQuitEvent);
    g_Transfer.SetNotifyWindow(m_hWnd);
    bool ok = m_threadDisplay.Start(UpdateRXDisplay, this, THREAD_PRIORITY_NORMAL);
    ok = StartFirmwareThread(m_threadFlash) && ok;
    ok = m_threadFile.Start(FileTransferProc, &g_Transfer, THREAD_PRIORITY_HIGHEST) && ok;
    ok = m_threadString.Start(StringTransferProc, &g_Transfer, THREAD_PRIORITY_HIGHEST) && ok;
    return ok;
}

namespace {

// Waits for a thread while still answering messages other threads send to this one, so a worker
// caught in SendMessage to the dialog can finish its call and see the quit event.
bool WaitForWorker(HANDLE thread, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        const DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, timeoutMs - spent, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + 1)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

bool CKestrixDlg::EndWorkerThreads()
{
    if (m_hQuitEvent)
        SetEvent(m_hQuitEvent);
    // A running transfer or download waits on the abort event (replies, pauses, writes), not on
    // the quit event.
    if (g_TransferAbortEvent)
        SetEvent(g_TransferAbortEvent);
    m_evDisplayStop.Set();
    bool ended = true;
    for (CThread* worker : {&m_threadDisplay, &m_threadFlash, &m_threadFile, &m_threadString}) {
        if (worker->Handle() && !WaitForWorker(worker->Handle(), kWorkerEndMs)) {
            AddEntry("A worker thread did not end in time.\n");
            ended = false;
        }
    }
    if (!ended)
        theApp.m_bWorkerOutlived = true;
    return ended;
}

void CKestrixDlg::OpenLog()
{
    OpenSessionLog(SessionLogFileName(theApp.m_strExeDir));
    AddEntry("Start Session.\n");
    AddEntry(theApp.GetOsVersionText());
    if (m_bLotteryPacket == 1)
        AddEntry("Packet Mode = Lottery");
    else if (m_bKioskPacket == 1)
        AddEntry("Packet Mode = Kiosk");
    else
        AddEntry("Packet Mode = Disabled");
    // Reports made before the log existed (the catalogue binding's boxes, ignored values) are written now.
    LogEarlyReports();
}

void CKestrixDlg::RestoreWindowPlacement()
{
    std::vector<BYTE> stored;
    if (!GetApp()->GetProfile().GetBinary(kPlacementSection, kPlacementEntry, stored))
        return;
    RECT current = {};
    GetWindowRect(&current);
    WINDOWPLACEMENT placement;
    if (!PlacementWithSize(stored, current.right - current.left, current.bottom - current.top, placement))
        return;
    SetWindowPlacement(&placement);
}

void CKestrixDlg::SaveWindowPlacement()
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(&placement))
        GetApp()->GetProfile().WriteBinary(kPlacementSection, kPlacementEntry, &placement, sizeof placement);
}

bool CKestrixDlg::DestroyWindow()
{
    UnregisterUsbNotification();
    SaveWindowPlacement();
    return CDialog::DestroyWindow();
}

void CKestrixDlg::OnClose()
{
    // Also reached without the system menu's close command (a close message from another
    // program): the session's histories are taken from the controls on every way out.
    RebuildHistoryLists();
    if (m_hQuitEvent)
        SetEvent(m_hQuitEvent);
    CDialog::OnClose();
}

CKestrixDlg::~CKestrixDlg()
{
    // The workers use the LEDs, the firmware job, the log and this dialog: they end first. One
    // that would not end keeps what it uses (the program then ends without freeing it); the log
    // is safe to close under it.
    const bool ended = EndWorkerThreads();
    delete[] m_pszTipTextA;
    m_pszTipTextA = nullptr;
    delete[] m_pszTipTextW;
    m_pszTipTextW = nullptr;
    if (ended) {
        DeleteFirmwareJobAndLeds();
        if (m_hQuitEvent) {
            CloseHandle(m_hQuitEvent);
            m_hQuitEvent = nullptr;
        }
    }
    g_RxDataFile.SetReportWindow(nullptr);
    if (g_pLog) {
        AddEntry("Close Session.\n");
        CloseSessionLog();
        DeleteLogViewingCopies();
    }
}

void CKestrixDlg::DeleteLogViewingCopies()
{
    CString pattern;
    // The '-' after the id: process 1A8 must not take the copies of a running process 1A8C.
    pattern.Format("%s\\%s-pid%X-*.temp.html", theApp.m_strExeDir.c_str(), kLogBaseName,
                   static_cast<unsigned>(GetCurrentProcessId()));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        CString path;
        path.Format("%s\\%s", theApp.m_strExeDir.c_str(), found.cFileName);
        DeleteFileA(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
