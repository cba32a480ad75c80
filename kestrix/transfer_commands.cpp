// The three Start buttons (string, file, firmware) with their aborts, and the display of a running
// transfer: progress, rate, firmware CRC and step labels, and the end of a transfer or batch action.
#include "kestrix_dlg.h"

#include <algorithm>
#include <cstring>

#include "core/flash_protocol.h"
#include "core/packet_framing.h"
#include "core/text_convert.h"
#include "data_log.h"
#include "dorvane/dorvane.h"
#include "error_report.h"
#include "firmware_steps.h"
#include "flash_download.h"
#include "framework/app.h"
#include "globals.h"
#include "my_file.h"
#include "res/resource.h"
#include "transfer.h"

namespace {

// Batch modes whose end closes the window (m_nBatchMode).
constexpr int kBatchFile = 2;
constexpr int kBatchFirmware = 3;
constexpr int kBatchHexString = 4;
constexpr int kBatchTextString = 5;

// Catalogue captions of the Start buttons.
constexpr int kCaptionSendFile = 2;
constexpr int kCaptionDownload = 3;
constexpr int kCaptionSendString = 4;
constexpr int kCaptionAbort = 5;

constexpr int kErrorFileOpen = 3;
constexpr int kErrorFileEmpty = 4;
constexpr int kErrorNoFileSelected = 6;
constexpr int kErrorFirmwareSize = 22;
constexpr int kErrorFirmwareExtension = 23;

// A plain firmware image is made of whole 64 KB sectors.
constexpr DWORD kFirmwareSectorSize = 0x10000;
// Bytes read to tell the header protocol's image from a plain one.
constexpr DWORD kFirmwareProbeBytes = 10;
// Lets the receive reader settle on the emptied ring before the download's first command.
constexpr DWORD kFirmwareStartPauseMs = 20;

// The framed string always fits the engine's buffer: the longest string, every byte escaped.
static_assert(sizeof g_String >= LotteryFrameMaxSize(kMaxStringBytes));
static_assert(sizeof g_String >= KioskFrameMaxSize(kMaxStringBytes));

bool IsFirmwareName(const CString& name)
{
    return name.Find(".bin") >= 0 || name.Find(".BIN") >= 0 || name.Find(".Bin") >= 0;
}

void ShowFormatErrors(int count)
{
    for (int i = 0; i < count; ++i)
        ShowError(kStringFormatError);
}

} // namespace

const char* CKestrixDlg::CaptionOr(int number, const char* fallback)
{
    const char* caption = GetCaption(number);
    return caption ? caption : fallback;
}

bool CKestrixDlg::ConvertDataString(std::vector<unsigned char>& bytes)
{
    const std::string_view text(m_strDataString.c_str(), static_cast<std::size_t>(m_strDataString.GetLength()));
    BytesResult converted;
    if (m_bHexMode == 1) {
        // Through escaped text and back: the hex text takes its normal form ("%02X " a byte).
        const TextResult escaped = HexToText(text);
        ShowFormatErrors(escaped.formatErrors);
        const TextResult normal = TextToHex(escaped.text);
        ShowFormatErrors(normal.formatErrors);
        m_strDataString = CString(normal.text);
        converted = HexToBytes(normal.text);
    } else {
        converted = UnescapeText(text);
    }
    ShowFormatErrors(converted.formatErrors);
    bytes = std::move(converted.bytes);
    return !bytes.empty();
}

void CKestrixDlg::OnStartString()
{
    UpdateAllData(TRUE);
    if (m_nTransferState == kStateString) {
        SetEvent(g_TransferAbortEvent);
        AddEntry("Abort String Transfer.\n");
        return;
    }
    if (m_nTransferState != kStateIdle)
        return;

    std::vector<unsigned char> bytes;
    if (!ConvertDataString(bytes))
        return;  // nothing to send
    if (m_bLotteryPacket == 1)
        bytes = FrameLotteryPacket(bytes);
    else if (m_bKioskPacket == 1)
        bytes = FrameKioskPacket(bytes);
    if (bytes.size() > sizeof g_String) {
        ShowError(kStringFormatError);
        return;
    }
    std::copy(bytes.begin(), bytes.end(), g_String);
    g_nStringSize = static_cast<int>(bytes.size());

    ResetEvent(g_TransferAbortEvent);
    AddStringToHistory(m_strDataString);
    UpdateAllData(FALSE);
    if (!ConnectPort(1))
        return;
    EnableFileControls(FALSE);
    EnableFlashControls(FALSE);
    EnableFileGroup(FALSE);
    EnableStringGroup(FALSE);
    EnableInterfaceGroup(FALSE);
    m_nRxRowBytes = 0;
    m_nTransferState = kStateString;
    SetDlgItemText(IDC_START_STRING, CaptionOr(kCaptionAbort, "Abort"));
    g_StringStartEvent.Set();
}

void CKestrixDlg::OnStartFile()
{
    if (m_nTransferState == kStateFile) {
        EnableDlgItem(IDC_START_FILE, FALSE);
        SetEvent(g_TransferAbortEvent);
        AddEntry("Abort File Transfer.\n");
        return;
    }
    if (m_nTransferState != kStateIdle)
        return;

    UpdateAllData(TRUE);
    if (!ConnectPort(1))
        return;
    if (m_strFileName.IsEmpty()) {
        ShowError(kErrorNoFileSelected);
        return;
    }
    if (!g_SendFile.Open(m_strFileName, 0, m_bLotteryPacket, m_bKioskPacket)) {
        ShowError(kErrorFileOpen);
        return;
    }
    if (g_SendFile.GetSize() == 0) {
        ShowError(kErrorFileEmpty);
        m_nTransferState = kStateIdle;
        g_SendFile.Close();
        return;
    }
    AddFileToHistory(m_strFileName);
    m_nRxRowBytes = 0;
    m_strCounterText.Empty();
    SetDlgItemText(IDC_REPEAT_COUNTER, "");

    // The transfer runs even with an odd repeat count (it is corrected below), so what must not
    // change under it is always disabled: the interface above all, whose change closes the port.
    EnableFileControls(FALSE);
    EnableFlashControls(FALSE);
    EnableStringStart(FALSE);
    EnableStringGroup(FALSE);
    EnableInterfaceGroup(FALSE);

    UpdateProgress(0, 0);
    UpdateAllData(FALSE);
    ResetEvent(g_TransferAbortEvent);
    m_nTransferState = kStateFile;
    SetDlgItemText(IDC_START_FILE, CaptionOr(kCaptionAbort, "Abort"));
    EnableRepeatControls(FALSE);

    bool corrected = false;
    if (m_nRepeatCount == 0) {
        m_nRepeatCount = 1;
        corrected = true;
    }
    if (m_bRepeat && m_nRepeatCount < -1) {
        m_nRepeatCount = -1;
        corrected = true;
    }
    if (corrected)
        UpdateAllData(FALSE);
    g_Transfer.SetRepeat(m_bRepeat, m_nRepeatCount, static_cast<int>(m_nRepeatDelay));
    g_FileStartEvent.Set();
}

void CKestrixDlg::OnStartFirmware()
{
    if (m_nTransferState == kStateFirmware) {
        EnableDlgItem(IDC_START_FIRMWARE, FALSE);
        SetEvent(g_TransferAbortEvent);
        AddEntry("Abort Flash Download.\n");
        return;
    }
    if (m_nTransferState != kStateIdle)
        return;

    // The name the operator sees in the edit box is the one flashed.
    m_strFileName = GetDlgItemText(IDC_FILE_NAME);
    if (m_strFileName.IsEmpty()) {
        ShowError(kErrorNoFileSelected);
        return;
    }
    if (!IsFirmwareName(m_strFileName)) {
        ShowError(kErrorFirmwareExtension);
        return;
    }
    if (!g_SendFile.Open(m_strFileName, 0, 0, 0)) {
        ShowError(kErrorFileOpen);
        return;
    }
    if (g_SendFile.GetSize() == 0) {
        g_SendFile.Close();
        ShowError(kErrorFileEmpty);
        return;
    }
    unsigned char head[kFirmwareProbeBytes] = {};
    DWORD read = 0;
    if (!g_SendFile.Read(head, sizeof head, &read) || !g_SendFile.SeekToStart()) {
        LogSystemError(GetLastError());
        g_SendFile.Close();
        ShowError(kErrorFileOpen);
        return;
    }
    const bool header = IsHeaderImage(head, read);
    if (!header && g_SendFile.GetSize() % kFirmwareSectorSize != 0) {
        g_SendFile.Close();
        ShowError(kErrorFirmwareSize);
        return;
    }

    AddFileToHistory(m_strFileName);
    m_nRxRowBytes = 0;
    UpdateAllData(TRUE);
    m_dlgUsb.m_nOutChannel = 0;  // the download talks to the main endpoint
    UpdateAllData(FALSE);
    if (!ConnectPort(1)) {
        // Nothing will read the file: it is not held open for the next Start.
        g_SendFile.Close();
        return;
    }

    EnableFileControls(FALSE);
    EnableFileGroup(FALSE);
    EnableStringStart(FALSE);
    EnableStringGroup(FALSE);
    EnableInterfaceGroup(FALSE);
    SetDlgItemText(IDC_START_FIRMWARE, CaptionOr(kCaptionAbort, "Abort"));
    for (int id = IDC_STEP_DOWNLOAD_MODE; id <= IDC_STEP_READ_CRC; ++id)
        EnableDlgItem(id, FALSE);
    SetDlgItemText(IDC_CRC_VALUE, "");

    g_RxBuffer.Reset();
    Sleep(kFirmwareStartPauseMs);
    for (CLed* led : g_pLed)
        if (led)
            led->SetState(0);
    UpdateProgress(0, -1);
    ResetEvent(g_TransferAbortEvent);

    m_nTransferState = kStateFirmware;
    if (g_pFlashDownload)
        g_pFlashDownload->m_nProtocol = header ? kFlashHeaderProtocol : kFlashPlainProtocol;
    g_FlashStartEvent.Set();
}

void CKestrixDlg::UpdateProgress(int percent, int counter)
{
    m_progress.SetPos(percent);
    CString text;
    text.Format("%d %c", percent, '%');
    SetDlgItemText(IDC_PERCENT, text);
    if (counter == -1)
        m_strCounterText.Empty();
    else
        m_strCounterText.Format("%d", counter);
    SetDlgItemText(IDC_REPEAT_COUNTER, m_strCounterText);
}

LRESULT CKestrixDlg::OnProgress(WPARAM percent, LPARAM counter)
{
    UpdateProgress(static_cast<int>(percent), static_cast<int>(counter));
    return 1;
}

LRESULT CKestrixDlg::OnTransferRate(WPARAM elapsedMs, LPARAM rate)
{
    CString text = "-------";
    if (elapsedMs != 0 && rate != 0)
        text.Format("%3.1f", *reinterpret_cast<const double*>(rate));
    SetDlgItemText(IDC_RATE_VALUE, text);
    return 1;
}

LRESULT CKestrixDlg::OnCrcValue(WPARAM crc, LPARAM)
{
    CString text;
    text.Format("%04X", static_cast<unsigned>(crc & 0xFFFF));
    SetDlgItemText(IDC_CRC_VALUE, text);
    return 1;
}

LRESULT CKestrixDlg::OnEnableItem(WPARAM id, LPARAM enable)
{
    EnableDlgItem(static_cast<int>(id), static_cast<BOOL>(enable));
    return 1;
}

LRESULT CKestrixDlg::OnTransferEnd(WPARAM, LPARAM)
{
    bool batchEnded = false;
    switch (m_nTransferState) {
    case kStateFirmware:
        SetDlgItemText(IDC_START_FIRMWARE, CaptionOr(kCaptionDownload, "Download"));
        EnableDlgItem(IDC_START_FIRMWARE, TRUE);
        EnableFileControls(TRUE);
        EnableFileGroup(TRUE);
        EnableStringStart(TRUE);
        EnableStringGroup(TRUE);
        EnableInterfaceGroup(TRUE);
        batchEnded = m_nBatchMode == kBatchFirmware;
        break;
    case kStateFile:
        SetDlgItemText(IDC_START_FILE, CaptionOr(kCaptionSendFile, "Send File"));
        EnableDlgItem(IDC_START_FILE, TRUE);
        EnableRepeatControls(TRUE);
        EnableFileControls(TRUE);
        EnableFlashControls(Comm_IsBidirectional() ? TRUE : FALSE);
        EnableStringStart(TRUE);
        EnableStringGroup(TRUE);
        EnableInterfaceGroup(TRUE);
        batchEnded = m_nBatchMode == kBatchFile;
        break;
    case kStateString:
        SetDlgItemText(IDC_START_STRING, CaptionOr(kCaptionSendString, "Send String"));
        EnableDlgItem(IDC_START_STRING, TRUE);
        EnableFileControls(TRUE);
        EnableFileGroup(TRUE);
        EnableFlashControls(Comm_IsBidirectional() ? TRUE : FALSE);
        EnableStringStart(TRUE);
        EnableStringGroup(TRUE);
        EnableInterfaceGroup(TRUE);
        batchEnded = m_nBatchMode == kBatchHexString || m_nBatchMode == kBatchTextString;
        break;
    default:
        return 1;
    }
    m_nTransferState = kStateIdle;
    // A USB arrival or removal that came meanwhile now meets a port no worker uses.
    ApplyPendingDeviceChange();
    // A command-line run ends with its action unless it asked to stay open.
    if (batchEnded && m_bAutoClose == 1)
        PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    return 1;
}

BOOL CKestrixDlg::HasCommandLine()
{
    const CApp* app = GetApp();
    return app && app->HasCommandLine() ? TRUE : FALSE;
}
