// CTransfer: the transfer engine. It runs the receive readers of the open port, writes to the port
// with overlapped writes an operator can abort, and owns the file and string transfer workers.
#pragma once
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>

#include "core/packet_framing.h"
#include "core/text_convert.h"
#include "framework/event.h"
#include "framework/thread.h"
#include "overlapped_request.h"

// A reader's own buffers; reads are issued again at once after each completion.
constexpr DWORD kReaderBufferSize = 512;
// How long StopThreads and the USB hand-over wait for the readers to end. A reader looks at its stop
// before each request, so it ends within the longest step: a USB control request with its cancel
// (kControlWaitMs + kCancelWaitMs), made after waiting for the device behind another one.
constexpr DWORD kStopReadersMs = 3000;
static_assert(2 * (kControlWaitMs + kCancelWaitMs) < kStopReadersMs, "a reader asked to stop ends within the wait");
// How much longer a reader that outlived that wait is waited for before its port is closed,
// reopened or dropped; one that still runs then keeps the port as it is.
constexpr DWORD kReaderEndMs = 10000;
// The string to send holds the largest framed string (every byte of the longest string escaped).
constexpr std::size_t kStringBufferSize = LotteryFrameMaxSize(kMaxStringBytes);

// Catalogue errors of the engine.
constexpr int kErrorCreateTransferThread = 5;
constexpr int kErrorStopThreads = 26;
constexpr int kErrorReaderDidNotExit = 27;
constexpr int kErrorUsmReaderDidNotExit = 28;

class CTransfer {
public:
    CTransfer();
    // Stops readers still running, then closes the abort event.
    ~CTransfer();
    CTransfer(const CTransfer&) = delete;
    CTransfer& operator=(const CTransfer&) = delete;

    // What the port is: interface (0 serial, 1 USB, 2 parallel, 3 Ethernet), port id or USB device,
    // USB output endpoint, real-time output, USM channel, status polling. Returns 1.
    int SetParams(int portType, int device, int outChannel, int hasRealTime, int hasUsm, int checkStatus);
    // The repeat values of the next file transfer; a disabled repeat sends once. Returns 1.
    int SetRepeat(int enable, int count, int delayMs);
    // The main dialog's quit event (manual-reset): the transfer workers end when it is set.
    void SetQuitEvent(HANDLE quitEvent) { m_hQuitEvent = quitEvent; }
    HANDLE QuitEvent() const { return m_hQuitEvent; }
    // The window the engine's messages go to (the main dialog).
    void SetNotifyWindow(HWND wnd) { m_hNotifyWnd.store(wnd); }
    HWND GetNotifyWindow() const { return m_hNotifyWnd.load(); }
    // The interface recorded by SetParams (1 = USB); the firmware download asks it.
    int GetPortType() const { return m_nPortType; }

    // Starts the readers the port needs that are not running; 0 (error 5 shown) when one cannot start.
    // None is started while a reader asked to stop still runs (it has the port's records), nor on
    // a transport whose handle is lost.
    int StartReaders();
    // Asks both readers to end and waits up to ms for them; 0 or WAIT_TIMEOUT. Each reader that did
    // not end is shown (errors 27/28), or only logged when the caller shows a box of its own. A
    // reader that did not end keeps its stop request, so it ends as soon as its request returns.
    DWORD StopReaders(DWORD ms, bool showWhich = true);
    // StopReaders(kStopReadersMs), error 26 on a time-out. Readers that ended are forgotten; one that
    // would not end stays recorded, so no second reader is ever started on its overlapped record.
    void StopThreads();
    // Waits up to ms for readers that a stop left running (each is inside a request whose wait is
    // bounded); true once none runs, so what they use may be closed and freed.
    bool WaitReadersEnded(DWORD ms);
    // The USB hand-over of a reopen: true when a data reader is recorded and still running.
    bool IsReaderRunning() const;
    bool HasReader() const { return m_pReader != nullptr; }
    bool HasUsmReader() const { return m_pUsmReader != nullptr; }
    // A reader asked to stop still runs: it holds its port as it is.
    bool IsStopPending() const;
    // A stop timed out on the readers recorded, which may have ended since: none of them ended by
    // itself (the next stop finds them ended and forgets them).
    bool HasReaderAskedToStop() const { return m_bStopping; }

    // Writes n bytes with one overlapped write: n, the bytes written when fewer, or -1.
    int WriterGeneric(const void* data, DWORD n);
    // Writes size bytes in pieces of at most chunk and stops at the first piece that fails;
    // logIt 1 logs the string with its bytes. Returns the bytes written (size when all went out).
    unsigned WriteChunked(const void* data, unsigned size, unsigned chunk, int logIt);
    // Sends g_SendFile once in communication packets with progress and rate messages.
    // 1 sent, 0 aborted or failed (the log says which).
    int SendFile(int repeatNo);
    // Bodies of the transfer workers; each ends by posting WM_XFER_DONE. Return 1.
    int DoFileTransfer();
    int DoStringTransfer();
    // The USB reconnect after each send of a repeated file transfer, run on the GUI thread when the
    // file worker asks for it with WM_RECONNECT_PORT, once the readers have ended: port reopened,
    // readers started.
    int ReconnectUsb();

    // One session-log entry without data.
    void LogText(const char* text);
    // A request of the transport set up now did not end after its cancel: it may still write into
    // memory that must therefore never be freed (the transport's records included). That transport
    // is never used again: no write, no reader, no reopen; Dorvane keeps it when it is dropped. A
    // transport is known by the address of its TX record, which a kept transport never gives up.
    bool IsTransportLost() const;
    // A transport just set up holds no lost request (a freed one's address may come back).
    void ForgetLostTransport() { m_pLostTransport = nullptr; }

    static unsigned ReaderProc(void* transfer);
    static unsigned ReaderProcUsm(void* transfer);

private:
    void RunDataReader();
    void RunUsmReader();
    void DeliverData(const char* bytes, DWORD count);
    void Post(UINT message, WPARAM wParam, LPARAM lParam);
    bool IsAborted() const;
    // Forgets readers whose threads have ended; once none runs, their stop requests are spent.
    void ForgetEndedReaders();
    // Notes and logs a request of transport (its TX record) lost after its cancel; the caller
    // keeps what it may write into.
    void NoteLostRequest(const void* transport);
    bool IsLost(const void* transport) const;

    std::unique_ptr<CThread> m_pReader;
    std::unique_ptr<CThread> m_pUsmReader;
    CEvent m_evStopReader{false, false};
    CEvent m_evStopUsm{false, false};
    int m_nPortType = 0;
    int m_nDevice = 0;
    int m_bHasUsm = 0;
    int m_bHasRealTime = 0;
    int m_nOutChannel = 0;
    HANDLE m_hQuitEvent = nullptr;
    int m_bCheckStatus = 1;
    std::atomic<HWND> m_hNotifyWnd{nullptr};
    // A stop timed out on the readers recorded (GUI thread only).
    bool m_bStopping = false;
    std::atomic<const void*> m_pLostTransport{nullptr};
    std::chrono::steady_clock::time_point m_transferStart;
};

extern CTransfer g_Transfer;

// Manual-reset event that aborts whichever transfer or download runs; set by a Start button
// while its transfer runs, reset when one starts.
extern HANDLE g_TransferAbortEvent;
// Makes g_TransferAbortEvent (not signalled); 0 (logged) when the system refuses it.
int CreateAbortEvent();
void CloseAbortEvent();

// The request that a Start button hands to the file and string workers (written by the GUI thread
// before it sets the start event, not touched again until WM_XFER_DONE).
extern int g_bRepeat;
extern int g_nRepeatDelay;
extern int g_nRepeatCount;           // sends; -1 endless
extern unsigned char g_String[kStringBufferSize];
extern int g_nStringSize;
// Last file transfer rate in kilobytes per second; its address travels with WM_XFER_RATE.
extern double g_dTransferRate;

// Thread procedures of the two transfer workers, started once with &g_Transfer; each waits for its
// start event (g_FileStartEvent, g_StringStartEvent) or the quit event.
unsigned FileTransferProc(void* transfer);
unsigned StringTransferProc(void* transfer);
