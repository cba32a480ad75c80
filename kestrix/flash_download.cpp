// The firmware download engine: the state machine of both protocols, each step's commands, waits
// and reports (labels, LEDs, progress, CRC, catalogue errors), and the flash worker thread.
#include "flash_download.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "core/append_format.h"
#include "data_log.h"
#include "dorvane/dorvane.h"
#include "error_report.h"
#include "fill_from_port.h"
#include "globals.h"
#include "messages.h"
#include "my_file.h"
#include "transfer.h"

CFlashDownload* g_pFlashDownload = nullptr;

namespace {

// Bytes a wait reads from the port itself also go to the capture file, as a reader thread's do.
void CaptureReceived(const char* bytes, unsigned count)
{
    g_RxDataFile.AppendReceived(bytes, count);
}

constexpr FlashAckStep kEraseAck{kFlashLedErase, kFlashErrorEraseNoStatus, kFlashErrorEraseBadStatus, kStateEraseRefused};
constexpr FlashAckStep kSelectSectorAck{kFlashLedDownload, kFlashErrorSelectNoStatus, kFlashErrorSelectBadStatus,
                                        kStateSectorRefused};
constexpr FlashAckStep kDataPacketAck{kFlashLedDownload, kFlashErrorDownloadNoStatus, kFlashErrorDownloadBadStatus,
                                      kStateDownloadRefused};
constexpr FlashAckStep kCheckCrcAck{kFlashLedCheckCrc, kFlashErrorCheckNoStatus, kFlashErrorCheckBadStatus, kStateBadCrc};

} // namespace

bool CFlashDownload::IsAborted()
{
    return g_TransferAbortEvent && WaitForSingleObject(g_TransferAbortEvent, 0) == WAIT_OBJECT_0;
}

void CFlashDownload::Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HWND window = g_Transfer.GetNotifyWindow())
        PostMessageA(window, message, wParam, lParam);
}

void CFlashDownload::Pause(DWORD ms) const
{
    if (m_hQuitEvent)
        WaitForSingleObject(m_hQuitEvent, ms);
    else
        Sleep(ms);
}

void CFlashDownload::EnableItem(int id)
{
    Post(WM_ENABLE_ITEM, static_cast<WPARAM>(id), 1);
}

void CFlashDownload::SetLed(int led, int state)
{
    Post(WM_SET_LED, static_cast<WPARAM>(led), static_cast<LPARAM>(state));
}

void CFlashDownload::SendCommand(const std::uint8_t* bytes, unsigned size)
{
    // The writer logs each command with its bytes; a failed write shows as the printer's silence.
    g_Transfer.WriteChunked(bytes, size, Comm_GetDownloadPacketSize(), 1);
}

int CFlashDownload::AwaitBytes(unsigned want, unsigned polls)
{
    // Asked anew before every wait: a reconnect may have changed who reads the port.
    return FillFromPort(g_RxBuffer, want, polls, g_TransferAbortEvent, Comm_IsAsyncRead(), CaptureReceived);
}

CFlashDownload::Reply CFlashDownload::AwaitByte(unsigned polls)
{
    for (;;) {
        const int result = AwaitBytes(1, polls);
        if (result == 0)
            return {Wait::TimedOut, 0};
        if (result == 2)
            return {Wait::Aborted, 0};
        const std::uint8_t byte = g_RxBuffer.Get();
        // Flow control from the printer is not a reply: wait again, with fresh polls.
        if (byte != kFlashXon && byte != kFlashXoff)
            return {Wait::Reply, byte};
    }
}

CFlashDownload::Reply CFlashDownload::AwaitHeaderReply()
{
    const int result = AwaitBytes(kHeaderReplySize, kPollsReply);
    if (result == 0)
        return {Wait::TimedOut, 0};
    if (result == 2)
        return {Wait::Aborted, 0};
    const std::uint8_t status = g_RxBuffer.Peek(kHeaderStatusIndex, 1);
    for (std::size_t i = 0; i < kHeaderReplySize; ++i)
        g_RxBuffer.Get();
    return {Wait::Reply, status};
}

std::optional<int> CFlashDownload::AwaitAck(unsigned polls, const FlashAckStep& step)
{
    const Reply reply = AwaitByte(polls);
    if (reply.wait == Wait::Reply && reply.byte == kFlashAck)
        return std::nullopt;
    SetLed(step.led, kFlashLedRed);
    if (reply.wait == Wait::Aborted)
        return kStateAborted;
    if (reply.wait == Wait::TimedOut) {
        ShowError(step.noStatusError);
        return kStateDone;
    }
    if (reply.byte == kFlashNak)
        return step.refusedState;
    ShowError(step.badStatusError);
    return kStateDone;
}

std::optional<int> CFlashDownload::MissedHeaderReply(const Reply& reply, int failedLed, int timeoutError)
{
    if (reply.wait == Wait::Reply)
        return std::nullopt;
    if (failedLed != kNoLed)
        SetLed(failedLed, kFlashLedRed);
    if (reply.wait == Wait::Aborted)
        return kStateAborted;
    ShowError(timeoutError);
    return kStateDone;
}

bool CFlashDownload::ReadImage(void* buffer, DWORD size)
{
    DWORD done = 0;
    const bool read = g_SendFile.Read(buffer, size, &done);
    // A short read is no system error: the code left from an earlier call would name a wrong cause.
    const DWORD error = read ? ERROR_SUCCESS : GetLastError();
    if (read && done == size)
        return true;
    std::string text;
    AppendFormat(text, "Flash Download - image file read failed: %lu of %lu bytes\n", static_cast<unsigned long>(done),
                 static_cast<unsigned long>(size));
    AddEntry(text.c_str());
    if (error != ERROR_SUCCESS)
        LogSystemError(error);
    ShowError(kFlashErrorFileOpen);
    return false;
}

int CFlashDownload::RunDownload()
{
    std::string text;
    AppendFormat(text, "Flash Download. Name = %s, Size = %d bytes\n", g_SendFile.GetName().c_str(),
                 static_cast<int>(g_SendFile.GetSize()));
    AddEntry(text.c_str());

    int state = kStateSwitchMode;
    while (!IsAborted() && RunState(state)) {
    }
    Finish();
    return 1;
}

bool CFlashDownload::RunState(int& state)
{
    if (m_nProtocol == kFlashHeaderProtocol) {
        switch (state) {
        case kStateSwitchMode: state = HeaderHandshake(); break;
        case kStateFlashSize: state = HeaderDownload(); break;
        case kStateCheckCrc: state = HeaderCheckStatus(); break;
        default: return false;
        }
        return state != kStateDone;
    }
    switch (state) {
    case kStateSwitchMode: state = SwitchToDownloadMode(); break;
    case kStateFlashSize: state = CheckFlashSize(); break;
    case kStateErase: state = EraseFlash(); break;
    case kStateFlashTooSmall: ShowError(kFlashErrorFlashTooSmall); return false;
    case kStateDownload: state = DownloadCode(); break;
    case kStateEraseRefused: ShowError(kFlashErrorEraseRefused); return false;
    case kStateCheckCrc: state = CheckCrc(); break;
    case kStateDownloadRefused: ShowError(kFlashErrorDownloadRefused); return false;
    case kStateReadCrc: ReadCrc(); return false;
    case kStateBadCrc: ShowError(kFlashErrorBadCrc); return false;
    case kStateSwitchFailed: SetLed(kFlashLedSwitchMode, kFlashLedRed); return false;
    case kStateSectorRefused: ShowError(kFlashErrorSectorRefused); return false;
    default: return false;  // 11, 14 and anything unforeseen end the download
    }
    return state != kStateDone;
}

void CFlashDownload::Finish()
{
    g_SendFile.Close();
    Pause(kClosePauseMs);
    SendCommand(kCmdCloseDownload);
    g_FlashStartEvent.Reset();
    Post(WM_XFER_DONE, 0, 0);
}

int CFlashDownload::SwitchToDownloadMode()
{
    EnableItem(kLabelSwitchMode);
    if (IsAborted()) {
        SetLed(kFlashLedSwitchMode, kFlashLedRed);
        return kStateDone;
    }
    SendCommand(kCmdEnterDownloadMode);
    const Reply reply = AwaitByte(kPollsSwitchMode);
    if (reply.wait == Wait::TimedOut) {
        // A printer that stays silent has switched.
        SetLed(kFlashLedSwitchMode, kFlashLedGreen);
        return kStateFlashSize;
    }
    if (reply.wait == Wait::Aborted) {
        SetLed(kFlashLedSwitchMode, kFlashLedRed);
        return kStateSwitchFailed;
    }
    if (g_Transfer.GetPortType() == kDorvaneUsb) {
        if (reply.byte != kUsbDownloadModeReply) {
            SetLed(kFlashLedSwitchMode, kFlashLedRed);
            return kStateSwitchFailed;
        }
        SetLed(kFlashLedSwitchMode, kFlashLedGreen);
        // The printer comes back as another device: the GUI thread, which owns the connection,
        // reopens it; this thread never runs dialog code itself, and uses the port again only
        // once that reopen has ended (the handler may outlast the wait for its answer).
        m_bSwitchingDevice = true;
        Pause(kUsbSwitchPauseMs);
        m_nReconnect = kReconnectAsked;
        m_evReconnectEnded.Reset();
        bool answered = true;
        if (HWND window = g_Transfer.GetNotifyWindow()) {
            DWORD_PTR result = 0;
            answered = SendMessageTimeoutA(window, WM_FLASH_RECONNECT, 0, 0, SMTO_NORMAL, m_dwReconnectAnswerMs,
                                           &result) != 0;
        }
        int asked = kReconnectAsked;
        if (m_nReconnect.compare_exchange_strong(asked, kReconnectGivenUp)) {
            // Not begun, and now never begun: the port is as it was.
            m_bSwitchingDevice = false;
            if (answered)
                return kStateFlashSize;  // a window that reopens nothing (or the dialog closing)
            AddEntry("Flash Download - the USB reconnect was not taken in time: the download ends\n");
            SetLed(kFlashLedSwitchMode, kFlashLedRed);
            return kStateSwitchFailed;
        }
        m_evReconnectEnded.Wait();
        m_bSwitchingDevice = false;
        return kStateFlashSize;
    }
    Pause(kSwitchPauseMs);
    return kStateFlashSize;
}

int CFlashDownload::CheckFlashSize()
{
    if (IsAborted()) {
        SetLed(kFlashLedFlashSize, kFlashLedRed);
        return kStateAborted;
    }
    EnableItem(kLabelFlashSize);
    SendCommand(kCmdGetFlashSize);
    const Reply reply = AwaitByte(kPollsFlashSize);
    if (reply.wait == Wait::TimedOut) {
        SetLed(kFlashLedFlashSize, kFlashLedRed);
        return kStateDone;
    }
    if (reply.wait == Wait::Aborted) {
        SetLed(kFlashLedFlashSize, kFlashLedRed);
        return kStateAborted;
    }
    if (!FlashHoldsImage(reply.byte, g_SendFile.GetSize() / kFlashSectorSize)) {
        SetLed(kFlashLedFlashSize, kFlashLedRed);
        return kStateFlashTooSmall;
    }
    SetLed(kFlashLedFlashSize, kFlashLedGreen);
    return kStateErase;
}

int CFlashDownload::EraseFlash()
{
    EnableItem(kLabelErase);
    if (IsAborted()) {
        SetLed(kFlashLedErase, kFlashLedRed);
        return kStateAborted;
    }
    SendCommand(kCmdEraseFlash);
    if (const auto failed = AwaitAck(kPollsErase, kEraseAck))
        return *failed;
    SetLed(kFlashLedErase, kFlashLedGreen);
    return kStateDownload;
}

int CFlashDownload::DownloadCode()
{
    EnableItem(kLabelDownload);
    const DWORD size = g_SendFile.GetSize();
    const unsigned sectors = size / kFlashSectorSize;
    DWORD total = 0;
    for (unsigned sector = 0; sector < sectors; ++sector) {
        if (IsAborted()) {
            SetLed(kFlashLedDownload, kFlashLedRed);
            return kStateAborted;
        }
        SendCommand(SelectSectorCommand(static_cast<std::uint8_t>(sector)));
        if (const auto failed = AwaitAck(kPollsReply, kSelectSectorAck))
            return *failed;

        unsigned offset = 0;
        while (offset < kFlashSectorSize) {
            if (IsAborted()) {
                SetLed(kFlashLedDownload, kFlashLedRed);
                return kStateAborted;
            }
            const unsigned packet = Comm_GetDownloadPacketSize();
            // A packet must fit the buffer and end inside its sector, else the file would be cut
            // into the wrong sectors (or the loop would never end on a size of 0).
            if (!IsUsableDownloadPacketSize(packet) || kFlashSectorSize - offset < packet) {
                SetLed(kFlashLedDownload, kFlashLedRed);
                std::string text;
                AppendFormat(text, "Flash Download - unusable download packet size %u at offset %u\n", packet, offset);
                AddEntry(text.c_str());
                ShowError(kFlashErrorDownloadRefused);
                return kStateDone;
            }
            if (!ReadImage(m_packet, packet)) {
                SetLed(kFlashLedDownload, kFlashLedRed);
                return kStateDone;
            }
            SendCommand(DataPacketCommand(static_cast<std::uint16_t>(offset), static_cast<std::uint16_t>(packet)));
            g_Transfer.WriteChunked(m_packet, packet, packet, 1);
            if (const auto failed = AwaitAck(kPollsReply, kDataPacketAck))
                return *failed;
            offset += packet;
            total += packet;
            Post(WM_XFER_PROGRESS, PercentDone(total, size), -1);
        }
    }
    SetLed(kFlashLedDownload, kFlashLedGreen);
    return kStateCheckCrc;
}

int CFlashDownload::CheckCrc()
{
    EnableItem(kLabelCheckCrc);
    if (IsAborted())
        return kStateDone;
    SendCommand(kCmdCheckCrc);
    if (const auto failed = AwaitAck(kPollsReply, kCheckCrcAck))
        return *failed;
    SetLed(kFlashLedCheckCrc, kFlashLedGreen);
    return kStateReadCrc;
}

int CFlashDownload::ReadCrc()
{
    EnableItem(kLabelReadCrc);
    if (IsAborted())
        return kStateDone;
    SendCommand(kCmdGetCrc);
    const int result = AwaitBytes(3, kPollsReply);
    if (result == 0) {
        ShowError(kFlashErrorGetCrcNoReply);
        return kStateDone;
    }
    if (result == 2)
        return kStateAborted;
    g_RxBuffer.Get();  // r0 is not part of the CRC
    const std::uint8_t low = g_RxBuffer.Get();
    const std::uint8_t high = g_RxBuffer.Get();
    Post(WM_FLASH_CRC, ReadBackCrc(low, high), 0);
    return kStateDone;
}

int CFlashDownload::HeaderHandshake()
{
    EnableItem(kLabelReadCrc);
    if (IsAborted())
        return kStateDone;
    SendCommand(kCmdHandshake);
    Reply reply = AwaitHeaderReply();
    if (const auto missed = MissedHeaderReply(reply, kNoLed, kFlashErrorGetCrcNoReply))
        return *missed;
    if (reply.byte == kHeaderStatusRepeat) {
        SendCommand(kCmdSecondHandshake);
        reply = AwaitHeaderReply();
        if (const auto missed = MissedHeaderReply(reply, kNoLed, kFlashErrorGetCrcNoReply))
            return *missed;
        if (reply.byte != kHeaderStatusRepeat) {
            SetLed(kFlashLedSwitchMode, kFlashLedRed);
            return kStateDone;
        }
    } else if (reply.byte != kHeaderStatusReady) {
        SetLed(kFlashLedSwitchMode, kFlashLedRed);
        return kStateAborted;
    }
    EnableItem(kLabelSwitchMode);
    SetLed(kFlashLedSwitchMode, kFlashLedGreen);
    return kStateFlashSize;
}

int CFlashDownload::HeaderDownload()
{
    EnableItem(kLabelDownload);
    const DWORD size = g_SendFile.GetSize();
    std::unique_ptr<std::uint8_t[]> image(new (std::nothrow) std::uint8_t[size]);
    if (!image) {
        // This protocol holds the whole image in memory. An image that does not fit is told, so a
        // batch run does not end as if the download had run.
        std::string text;
        AppendFormat(text, "Flash Download - image of %lu bytes does not fit in memory\n",
                     static_cast<unsigned long>(size));
        AddEntry(text.c_str());
        ShowError(kFlashErrorMemory);
        return kStateDone;
    }
    if (!ReadImage(image.get(), size)) {
        SetLed(kFlashLedDownload, kFlashLedRed);
        return kStateDone;
    }
    EnableItem(kLabelFlashSize);
    SetLed(kFlashLedFlashSize, kFlashLedGreen);
    EnableItem(kLabelErase);
    SetLed(kFlashLedErase, kFlashLedGreen);

    DWORD sent = 0;
    while (sent < size) {
        // Tested between pieces: an abort also ends the piece being written inside the writer,
        // which cancels the write and lets it complete before the buffer goes.
        if (IsAborted()) {
            SetLed(kFlashLedDownload, kFlashLedRed);
            return kStateAborted;
        }
        const DWORD piece = std::min<DWORD>(kHeaderPieceSize, size - sent);
        g_Transfer.WriteChunked(image.get() + sent, piece, kHeaderPieceChunk, 1);
        sent += piece;
        Post(WM_XFER_PROGRESS, PercentDone(sent, size), -1);
    }
    SetLed(kFlashLedDownload, kFlashLedGreen);
    // An image too short to hold the CRC field shows none.
    if (const auto crc = HeaderImageCrc(image.get(), size)) {
        EnableItem(kFieldCrc);
        Post(WM_FLASH_CRC, *crc, 0);
    }
    return kStateCheckCrc;
}

int CFlashDownload::HeaderCheckStatus()
{
    EnableItem(kLabelCheckCrc);
    if (IsAborted())
        return kStateDone;
    const Reply reply = AwaitHeaderReply();
    if (const auto missed = MissedHeaderReply(reply, kFlashLedCheckCrc, kFlashErrorCheckNoStatus))
        return *missed;
    if (reply.byte == kHeaderStatusAccepted) {
        SetLed(kFlashLedCheckCrc, kFlashLedGreen);
        SendCommand(kCmdFinalAck);
        return MissedHeaderReply(AwaitHeaderReply(), kFlashLedCheckCrc, kFlashErrorCheckNoStatus).value_or(kStateDone);
    }
    SetLed(kFlashLedCheckCrc, kFlashLedRed);
    if (reply.byte == kHeaderStatusRefused || reply.byte == kHeaderStatusRefusedToo)
        return kStateAborted;
    ShowError(kFlashErrorCheckBadStatus);
    return kStateDone;
}

unsigned FlashThreadProc(void* param)
{
    auto* job = static_cast<CFlashDownload*>(param);
    OutputDebugStringA("** Thread Flash started\r\n");
    const HANDLE waits[2] = {g_FlashStartEvent.Handle(), job ? job->m_hQuitEvent : nullptr};
    while (job && WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0)
        job->RunDownload();
    OutputDebugStringA("** Thread Flash stopped\r\n");
    return 0;
}
