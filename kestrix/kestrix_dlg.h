// CKestrixDlg: the main window of Kestrix. Its members, start-up and shutdown live in
// kestrix_dlg.cpp; the handlers of each job live in the source file named after that job.
#pragma once
#include <windows.h>

#include <vector>

#include "framework/critical_section.h"
#include "framework/dialog.h"
#include "framework/combo_box.h"
#include "framework/event.h"
#include "framework/font.h"
#include "framework/list_view.h"
#include "framework/progress_bar.h"
#include "framework/static.h"
#include "framework/string.h"
#include "framework/message_map.h"
#include "framework/thread.h"

#include "core/hex_rows.h"
#include "ethernet_child_dlg.h"
#include "parallel_child_dlg.h"
#include "serial_child_dlg.h"
#include "usb_child_dlg.h"

typedef const char* (*PFN_ThesGetText)(int number);

class CKestrixDlg : public CDialog {
public:
    explicit CKestrixDlg(HWND parent = nullptr);
    ~CKestrixDlg() override;

    // --- start-up and shutdown (kestrix_dlg.cpp) ---
    const MessageMap* GetMessageMap() const override;
    bool DestroyWindow() override;
    BOOL OnInitDialog() override;
    void OnClose() override;
    // Sets the quit and abort events and lets the worker threads finish before anything they use
    // is freed or closed; every way out of the dialog goes through here. False (logged, and noted
    // in theApp.m_bWorkerOutlived) when a worker did not end in time.
    bool EndWorkerThreads();
    bool StartWorkerThreads();
    void CreatePortPages();
    void AddSystemMenuCommands();
    void CreateFirmwareJobAndLeds();
    void SetUpListColumns();
    void CreateProgressBar();
    void OpenLog();
    void RestoreWindowPlacement();
    void SaveWindowPlacement();
    CString MakeRxDataFileName();
    void DeleteLogViewingCopies();

    // --- connection management (connection.cpp) ---
    int ConnectPort(int updateGroups);
    void ShowInterfaceControls(int iface);
    BOOL RegisterUsbNotification();
    BOOL UnregisterUsbNotification();
    void OnSelectSerial();
    void OnSelectUsb();
    void OnSelectParallel();
    void OnSelectEthernet();
    LRESULT OnDeviceChange(WPARAM event, LPARAM header);
    // What an arrival or removal of the USB device does to the port; run when no transfer uses it.
    void ApplyDeviceChange(WPARAM event, const char* name);
    // A device change held back while a transfer ran, applied once it has ended.
    void ApplyPendingDeviceChange();
    // The Communication group as a whole, disabled while a transfer runs.
    void EnableInterfaceGroup(BOOL enable);
    // The file worker's request to reopen the USB port after a send of a repeated transfer.
    LRESULT OnReconnectPort(WPARAM, LPARAM);
    // ConnectPort's steps: leaving the old interface, opening each interface, the failure block.
    // False (logged) when a reader of the old port would not end: the old transport then stays.
    bool LeaveOldInterface();
    bool ConnectSerial();
    bool ConnectUsb();
    bool ConnectParallel();
    bool ConnectEthernet(int& firmwareFlag);
    int ConnectFailed(bool ethernetOpenFailed, const char* line);
    // Stops the readers, closes the port (logging line when it was connected) before a reopen;
    // false when the port must stay as it was and not be reopened (see StopReadersForReopen).
    bool ClosePortForReopen(const char* line);
    // StopReadersBeforeDrop before a reopen. False when a reader does not end (logged) or when the
    // stop lost a request; the connect then fails as on any lost port (FailLostPort).
    bool StopReadersForReopen(bool usbHandOver = false);
    // The connect of a port whose handle is lost: its box, then the failure block with its line. 0.
    int FailLostPort();
    // ConnectPort(1) up to kUsbConnectTries times, the transport dropped after each failure; a reader
    // that would not stop keeps the port as it is and ends the tries.
    int ConnectUsbWithRetries();
    // Readers stopped, port closed, transport dropped; a reader that would not end keeps them (logged).
    // A port whose handle is lost is not closed: Dorvane keeps its transport.
    void DropTransport();
    // StopThreads, then a longer wait for a reader it left running; false (logged) when one still
    // runs, whose port must then stay as it is. The USB hand-over of a reopen shows error 38 alone
    // for a stop that timed out.
    bool StopReadersBeforeDrop(bool usbHandOver = false);
    void SelectInterface(const char* logLine);

    // --- transfer commands and progress (transfer_commands.cpp) ---
    void OnStartFirmware();
    void OnStartFile();
    void OnStartString();
    LRESULT OnProgress(WPARAM percent, LPARAM counter);
    LRESULT OnEnableItem(WPARAM id, LPARAM enable);
    LRESULT OnTransferEnd(WPARAM, LPARAM);
    LRESULT OnCrcValue(WPARAM crc, LPARAM);
    LRESULT OnTransferRate(WPARAM elapsedMs, LPARAM rate);
    // Progress bar and percent to percent; the repeat counter shows counter, or nothing for -1.
    void UpdateProgress(int percent, int counter);
    // m_strDataString as bytes (hex text normalised first); false when it gives no bytes.
    bool ConvertDataString(std::vector<unsigned char>& bytes);
    // Catalogue caption number, or fallback when no catalogue gives it.
    const char* CaptionOr(int number, const char* fallback);
    BOOL HasCommandLine();

    // --- firmware download (flash_reconnect.cpp) ---
    LRESULT OnFlashReconnect(WPARAM, LPARAM);

    // --- main dialog controls and input (controls.cpp) ---
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL UpdateAllData(BOOL save);
    BOOL EnableDlgItem(int id, BOOL enable);

    // --- control groups (control_groups.cpp) ---
    void EnableFileControls(BOOL enable);
    void EnableRepeatControls(BOOL enable);
    void EnableStringStart(BOOL enable);
    void EnableFlashControls(BOOL enable);
    void EnableReceiveControls(BOOL enable);
    void EnableFileGroup(BOOL enable);
    void EnableStringGroup(BOOL enable);
    // The port-properties report of the Info buttons of the parallel and USB pages (port_properties.cpp).
    void ShowPortProperties();
    void AddFileToHistory(const CString& path);
    void AddStringToHistory(const CString& text);
    LRESULT OnDropFiles(WPARAM drop, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnKeyDown(WPARAM key, LPARAM flags);
    void OnDblclkFileHistory(NMHDR* pNMHDR, LRESULT* pResult);
    void OnItemChangedFileList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnBrowse();
    void OnRepeat();
    void OnSelectHex();
    void OnSelectAscii();
    void OnLotteryPacket();
    void OnKioskPacket();
    void OnSaveRxBuffer();
    // Copies the capture file to path (replaced) and logs it; ERROR_SUCCESS or the system error (logged).
    DWORD SaveRxDataTo(const char* path);
    void ConvertStringHistory(bool toHex);
    LRESULT OnStatusLeds(WPARAM status, LPARAM first);
    LRESULT OnSetLed(WPARAM led, LPARAM state);
    LRESULT OnShowError(WPARAM error, LPARAM args);
    LRESULT OnSystemError(WPARAM code, LPARAM);

    // --- receive display (receive_display.cpp) ---
    LRESULT OnRxData(WPARAM count, LPARAM bytes);
    LRESULT OnUsmData(WPARAM count, LPARAM bytes);
    LRESULT OnRxSkipped(WPARAM channel, LPARAM count);
    LRESULT OnCaptureFailed(WPARAM error, LPARAM);
    void OnGetRxRowText(NMHDR* pNMHDR, LRESULT* pResult);
    void OnGetUsmRowText(NMHDR* pNMHDR, LRESULT* pResult);
    // The two receive lists catch up with their rows (at most every 50 ms while data arrives).
    void ShowReceivedRows();
    void RequestListRefresh();
    void ShowUsmList(BOOL show);
    void OnShowUsm();
    void OnClearBuffer();
    void OnViewLog();

    // --- command line and batch mode (batch_mode.cpp) ---
    int ParseCommandLine();
    LRESULT OnStartCommand(WPARAM, LPARAM);

    // --- history and system menu (system_menu.cpp) ---
    LRESULT OnSysCommand(WPARAM nID, LPARAM lParam);
    void RebuildHistoryLists();
    // The history manager of each list (history_manager.cpp).
    void ManageStringsHistory();
    void ManageFilesHistory();

    // --- message catalogue binding and tooltips (catalogue_binding.cpp; OnToolTipNotify in tooltips.cpp) ---
    int LoadCatalogue();
    const char* GetCaption(int number);
    BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

    // Members, in declaration order.
    HANDLE m_hQuitEvent = nullptr;
    char* m_pszTipTextA = nullptr;
    wchar_t* m_pszTipTextW = nullptr;
    int m_nRxRowBytes = 0;
    int m_nUsmRowBytes = 0;
    CCriticalSection m_csHexLists;
    int m_nBatchMode = 0;
    int m_bAutoClose = 1;
    CFont m_fontLists;
    HMODULE m_hThesaurusDll = nullptr;
    CEvent m_evDisplayStop{false, false};
    PFN_ThesGetText m_pfnCaptionGetText = nullptr;
    PFN_ThesGetText m_pfnTipGetText = nullptr;
    // What runs: kStateIdle, kStateFirmware, kStateFile or kStateString.
    static constexpr int kStateIdle = 0;
    static constexpr int kStateFirmware = 1;
    static constexpr int kStateFile = 2;
    static constexpr int kStateString = 3;
    volatile int m_nTransferState = 0;  // read by the display thread for its poll rate
    // A USB arrival or removal that came while a transfer ran (0 none): applied once it has ended.
    WPARAM m_nPendingDeviceEvent = 0;
    CString m_strPendingDeviceName;
    int m_bUsmChannel = 0;
    int m_bRealTimeChannel = 0;
    int m_bMainChannel = 0;
    int m_nUsbDevice = 0;
    CString m_strThesaurusDll;
    CString m_strRxDataFile;
    CSerialChildDlg m_dlgSerial;
    CParallelChildDlg m_dlgParallel;
    CUsbChildDlg m_dlgUsb;
    CEthernetChildDlg m_dlgEthernet;
    CProgressBar m_progress;
    int m_nPacketSizeIndex = -1;
    CListView m_listUsm;
    CComboBox m_comboStrings;
    CStatic m_ledStatic[5];  // statics 1019 down to 1015
    CListView m_listRx;
    CListView m_listFiles;
    CString m_strFileName;
    int m_bHexMode = -1;
    int m_bRepeat = 0;
    UINT m_nRepeatDelay = 0;
    CString m_strCounterText;
    int m_nRepeatCount = 1;
    CString m_strDataString;
    int m_nInterface = -1;
    int m_bLotteryPacket = 0;
    int m_bKioskPacket = 0;
    int m_bShowUsm = 0;
    HICON m_hIcon = nullptr;
    // EnableFlashControls: the group's flag and each control's state from before the group was disabled.
    BOOL m_bFlashGroupEnabled = TRUE;
    BOOL m_bFlashItemEnabled[14] = {TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE};
    // EnableStringGroup: the string box had the focus when the group was disabled.
    BOOL m_bStringFocusNote = FALSE;

    // The rows of the two receive lists, which ask for them (virtual lists): 1028 and 1045.
    CHexRows m_rowsRx;
    CHexRows m_rowsUsm;
    // ShowUsmList: the state last applied (-1 none yet) and whether the USM columns exist.
    int m_nUsmListShown = -1;
    bool m_bUsmColumnsAdded = false;
    bool m_bListRefreshPending = false;
    // OnBrowse: the last chosen path, the filter last chosen (0 none) and the first use.
    CString m_strBrowsePath;
    int m_nBrowseFilter = 0;
    bool m_bBrowseFirstUse = true;

    // The four workers started by OnInitDialog; joined before the objects they use are freed.
    CThread m_threadDisplay;
    CThread m_threadFlash;
    CThread m_threadFile;
    CThread m_threadString;
};
