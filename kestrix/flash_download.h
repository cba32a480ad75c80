// CFlashDownload: the firmware download job, run by the flash worker thread (FlashThreadProc), with
// the steps of the plain command protocol and of the header protocol.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>

#include "core/flash_protocol.h"
#include "framework/event.h"

// Step LEDs (wParam of WM_SET_LED) and their CLed states.
constexpr int kFlashLedSwitchMode = 0;
constexpr int kFlashLedFlashSize = 1;
constexpr int kFlashLedErase = 2;
constexpr int kFlashLedDownload = 3;
constexpr int kFlashLedCheckCrc = 4;
constexpr int kFlashLedRed = 1;
constexpr int kFlashLedGreen = 2;

// Step labels and the CRC field of the main dialog (wParam of WM_ENABLE_ITEM).
constexpr int kLabelSwitchMode = 1007;
constexpr int kLabelFlashSize = 1008;
constexpr int kLabelErase = 1009;
constexpr int kLabelDownload = 1010;
constexpr int kLabelCheckCrc = 1011;
constexpr int kLabelReadCrc = 1012;
constexpr int kFieldCrc = 1022;

// Poll counts (one poll a millisecond) of the replies awaited.
constexpr unsigned kPollsSwitchMode = 50;
constexpr unsigned kPollsFlashSize = 1000;
constexpr unsigned kPollsErase = 20000;
constexpr unsigned kPollsReply = 2000;

// States of the download (results of the steps). 14 and 11 end it: 14 after success or a failure
// already shown, 11 after an abort or a failure shown by its LED alone.
enum FlashState : int {
    kStateSwitchMode = 0,
    kStateFlashSize = 1,
    kStateErase = 2,
    kStateFlashTooSmall = 3,
    kStateDownload = 4,
    kStateEraseRefused = 5,
    kStateCheckCrc = 6,
    kStateDownloadRefused = 7,
    kStateReadCrc = 8,
    kStateBadCrc = 9,
    kStateSwitchFailed = 10,
    kStateAborted = 11,
    kStateSectorRefused = 13,
    kStateDone = 14,
};

// Catalogue errors shown by the download.
constexpr int kFlashErrorFileOpen = 3;
constexpr int kFlashErrorMemory = 7;   // "Error - Memory Allocation"
constexpr int kFlashErrorEraseNoStatus = 8;
constexpr int kFlashErrorEraseBadStatus = 9;
constexpr int kFlashErrorSelectNoStatus = 10;
constexpr int kFlashErrorSelectBadStatus = 11;
constexpr int kFlashErrorDownloadNoStatus = 12;
constexpr int kFlashErrorDownloadBadStatus = 13;
constexpr int kFlashErrorCheckNoStatus = 14;
constexpr int kFlashErrorCheckBadStatus = 15;
constexpr int kFlashErrorGetCrcNoReply = 16;
constexpr int kFlashErrorFlashTooSmall = 17;
constexpr int kFlashErrorEraseRefused = 18;
constexpr int kFlashErrorDownloadRefused = 19;
constexpr int kFlashErrorBadCrc = 20;
constexpr int kFlashErrorSectorRefused = 21;

// What a step whose command the printer ACKs shows when it is not ACKed: the LED turned red, the
// catalogue error of a time-out and of a reply that is neither ACK nor NAK, and the state a NAK leads to.
struct FlashAckStep {
    int led;
    int noStatusError;
    int badStatusError;
    int refusedState;
};

// Pauses of the download, in milliseconds.
constexpr DWORD kUsbSwitchPauseMs = 3000;  // a USB printer re-enumerates after 'S'
constexpr DWORD kSwitchPauseMs = 800;
constexpr DWORD kClosePauseMs = 1000;      // before the closing command of every download

class CFlashDownload {
public:
    CFlashDownload() = default;
    CFlashDownload(const CFlashDownload&) = delete;
    CFlashDownload& operator=(const CFlashDownload&) = delete;

    // One complete download of g_SendFile, then, whatever happened, the file closed, the closing
    // command sent and WM_XFER_DONE posted. Returns 1. Before it sets g_FlashStartEvent the Start
    // handler opens the file at offset 0, sets m_nProtocol (IsHeaderImage over the first
    // kHeaderProbeSize bytes), refuses a plain image that is not whole sectors, connects the port,
    // resets g_RxBuffer and g_TransferAbortEvent.
    int RunDownload();

    // Plain protocol steps; each returns the next state.
    int SwitchToDownloadMode();
    int CheckFlashSize();
    int EraseFlash();
    int DownloadCode();
    int CheckCrc();
    int ReadCrc();
    // Header protocol steps.
    int HeaderHandshake();
    int HeaderDownload();
    int HeaderCheckStatus();

    // kFlashPlainProtocol or kFlashHeaderProtocol, written by the Start handler before each download.
    int m_nProtocol = kFlashPlainProtocol;
    // The main dialog's quit event: ends FlashThreadProc.
    HANDLE m_hQuitEvent = nullptr;
    // True while a USB printer switching to download mode leaves and comes back as another device
    // (until the reconnect); its removal and arrival notifications are not the operator's.
    std::atomic<bool> m_bSwitchingDevice{false};

    // The window's side of the USB reconnect the download asks for (WM_FLASH_RECONNECT): a handler
    // begins it only while the download still waits for it (false: given up, nothing is to be
    // done) and says when it has ended. The download touches the port only after that.
    bool BeginReconnect()
    {
        int asked = kReconnectAsked;
        return m_nReconnect.compare_exchange_strong(asked, kReconnectRunning);
    }
    void EndReconnect()
    {
        m_nReconnect = kReconnectEnded;
        m_evReconnectEnded.Set();
    }
    // How long the download waits for the window to take its reconnect request before it ends
    // with its own error (the window may be closing).
    DWORD m_dwReconnectAnswerMs = kReconnectAnswerMs;
    static constexpr DWORD kReconnectAnswerMs = 60000;

private:
    enum class Wait { Reply, TimedOut, Aborted };
    struct Reply {
        Wait wait;
        std::uint8_t byte;  // the reply byte or header status when wait is Reply
    };

    // Runs the action of a state; false when the download ends after it.
    bool RunState(int& state);
    void Finish();

    Reply AwaitByte(unsigned polls);
    Reply AwaitHeaderReply();
    // Awaits the ACK of the step's command; after anything else the step's failure is shown and the
    // state that follows returned. Nothing is returned after the ACK.
    std::optional<int> AwaitAck(unsigned polls, const FlashAckStep& step);
    // The state that follows a header reply that did not come (a time-out shows timeoutError), with
    // failedLed turned red first unless it is kNoLed; nothing when the reply came.
    std::optional<int> MissedHeaderReply(const Reply& reply, int failedLed, int timeoutError);
    static constexpr int kNoLed = -1;
    int AwaitBytes(unsigned want, unsigned polls);
    // One command with the download packet size as chunk, logged with its bytes.
    void SendCommand(const std::uint8_t* bytes, unsigned size);
    template <std::size_t N>
    void SendCommand(const std::array<std::uint8_t, N>& command)
    {
        SendCommand(command.data(), static_cast<unsigned>(N));
    }
    // Reads size bytes of the image file on from where it stands; false after reporting a short read.
    bool ReadImage(void* buffer, DWORD size);

    // Sleeps ms, but ends at once when the dialog closes (its quit event); a user's abort keeps
    // the pause, which the printer may need.
    void Pause(DWORD ms) const;
    void EnableItem(int id);
    void SetLed(int led, int state);
    void Post(UINT message, WPARAM wParam, LPARAM lParam);
    static bool IsAborted();

    std::uint8_t m_packet[kFlashPacketBufferSize] = {};
    enum : int { kReconnectIdle, kReconnectAsked, kReconnectRunning, kReconnectEnded, kReconnectGivenUp };
    std::atomic<int> m_nReconnect{kReconnectIdle};
    CEvent m_evReconnectEnded{true, false};
};

// The one download job, made and deleted by the main dialog.
extern CFlashDownload* g_pFlashDownload;

// The flash worker: waits for g_FlashStartEvent (runs a download) or the job's quit event (ends).
unsigned FlashThreadProc(void* job);
