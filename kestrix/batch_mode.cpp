// The command line's batch actions on the main dialog: ParseCommandLine over the portable parser,
// the syntax box and errors 30 to 36, and OnStartCommand, which starts the action once connected.
#include "batch_mode.h"

#include <windows.h>
#include <commctrl.h>

#include "framework/app.h"

#include "error_report.h"
#include "kestrix_dlg.h"
#include "res/resource.h"

namespace {

// The repeat controls a -R: count enables, as the Repeat check does.
void EnableRepeatControls(CKestrixDlg& dlg)
{
    for (int id = IDC_REPEAT_COUNT; id <= IDC_DELAY_LABEL; ++id)
        dlg.EnableDlgItem(id, TRUE);
}

// The string history holds entries in the current entry format, and the settings store them by
// that format: a -M:X or -M:S that changes the format converts the stored entries first. The
// controls are filled from the members first, so the conversion's read-back keeps every setting.
void ConvertHistoryTo(CKestrixDlg& dlg, int hexMode)
{
    if (dlg.m_bHexMode == hexMode || (hexMode != 0 && hexMode != 1))
        return;
    if (dlg.m_comboStrings.GetCount() == 0 && dlg.m_strDataString.IsEmpty())
        return;
    dlg.UpdateAllData(FALSE);
    dlg.ConvertStringHistory(hexMode == 1);
}

} // namespace

void ApplyCommandLineSettings(CKestrixDlg& dlg, const ParsedCommandLine& parsed)
{
    if (parsed.hexMode) {
        ConvertHistoryTo(dlg, *parsed.hexMode);
        dlg.m_bHexMode = *parsed.hexMode;
    }
    if (parsed.repeatCount) {
        dlg.m_nRepeatCount = *parsed.repeatCount;
        dlg.m_bRepeat = 1;
        EnableRepeatControls(dlg);
    }
    if (parsed.repeatDelay)
        dlg.m_nRepeatDelay = static_cast<UINT>(*parsed.repeatDelay);
    if (parsed.autoClose)
        dlg.m_bAutoClose = *parsed.autoClose;
    if (parsed.framing) {
        dlg.m_bLotteryPacket = *parsed.framing == PacketFraming::Lottery ? 1 : 0;
        dlg.m_bKioskPacket = *parsed.framing == PacketFraming::Kiosk ? 1 : 0;
    }
    if (parsed.interfaceType)
        dlg.m_nInterface = *parsed.interfaceType;
    if (parsed.portIndex) {
        dlg.m_dlgSerial.m_nPort = *parsed.portIndex;
        dlg.m_dlgParallel.m_nPort = *parsed.portIndex;
    }
    if (parsed.ethernetMainPort)
        dlg.m_dlgEthernet.m_nMainPort = *parsed.ethernetMainPort;
    if (parsed.baudRate)
        dlg.m_dlgSerial.m_nBaudRate = *parsed.baudRate;
    if (parsed.parity)
        dlg.m_dlgSerial.m_nParity = *parsed.parity;
    if (parsed.flowControl)
        dlg.m_dlgSerial.m_nFlowControl = *parsed.flowControl;
    if (parsed.ipAddress) {
        dlg.m_dlgEthernet.m_dwIpAddress = *parsed.ipAddress;
        // The address control is no data-exchange member: it was given the stored address at
        // start-up and is what a connection reads, so it takes the new one too.
        if (dlg.m_dlgEthernet.IsWindow())
            dlg.m_dlgEthernet.SendDlgItemMessage(IDC_ETHERNET_ADDRESS, IPM_SETADDRESS, 0,
                                                 static_cast<LPARAM>(*parsed.ipAddress));
    }
    if (parsed.ethernetOutChannel)
        dlg.m_dlgEthernet.m_nOutChannel = *parsed.ethernetOutChannel;
    if (parsed.usbOutChannel)
        dlg.m_dlgUsb.m_nOutChannel = *parsed.usbOutChannel;
    if (parsed.fileName)
        dlg.m_strFileName = CString(parsed.fileName->c_str());
    if (parsed.dataString)
        dlg.m_strDataString = CString(parsed.dataString->c_str());
}

int ApplyBatchCommandLine(CKestrixDlg& dlg, const char* commandLine)
{
    const ParsedCommandLine parsed = ParseBatchCommandLine(commandLine ? commandLine : "", dlg.m_nInterface);
    if (parsed.showSyntax) {
        ReportBox(CommandLineSyntaxText());
        dlg.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        return parsed.batchMode;
    }
    for (int error : parsed.errors)
        ShowError(error);
    for (const std::string& line : parsed.ignored)
        LogNote(line.c_str());
    ApplyCommandLineSettings(dlg, parsed);
    // An invalid mode stops the start-up before anything is set up: a window left open then
    // could do nothing, so it closes as after the syntax box.
    if (parsed.batchMode == kBatchStop)
        dlg.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    return parsed.batchMode;
}

int CKestrixDlg::ParseCommandLine()
{
    const CApp* app = GetApp();
    return ApplyBatchCommandLine(*this, app ? app->GetCommandLineText().c_str() : "");
}

LRESULT CKestrixDlg::OnStartCommand(WPARAM, LPARAM)
{
    UpdateAllData(FALSE);
    // Posted before the window was shown, this message comes ahead of the window's first WM_PAINT,
    // and the action's reconnect holds this thread for a while: the window, its controls and port
    // pages included, is drawn before the action starts.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    switch (m_nBatchMode) {
    case kBatchSendFile:
        OnStartFile();
        break;
    case kBatchDownloadFirmware:
        OnStartFirmware();
        break;
    case kBatchSendHexString:
    case kBatchSendAsciiString:
        OnStartString();
        break;
    default:
        break;
    }
    return 1;
}
