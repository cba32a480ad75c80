// The firmware download engine end to end: the flash worker drives Dorvane and Vorbeck.dll on COM7,
// which leads to the virtual printer's pty; the printer keeps the image and answers each step as a
// test tells it. A plain window receives what the engine posts, as the main dialog would.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "crc16.h"
#include "crc32.h"
#include "dorvane.h"
#include "error_report.h"
#include "flash_download.h"
#include "framework/thread.h"
#include "box_recorder.h"
#include "dorvane_serial.h"
#include "fixture_printer.h"
#include "globals.h"
#include "messages.h"
#include "my_file.h"
#include "report_capture.h"
#include "transfer.h"
#include "vprinter_client.h"
#include "whole_file.h"

namespace {

constexpr DWORD kPortId = 6;  // COM7
constexpr int kSerialSizeIndex = 3;
constexpr DWORD kDownloadTimeoutMs = 90000;

using test_support::WindowsPath;

// Catalogue stand-in: error n reads "error n", so a box names its number.
const char* ErrorText(int number)
{
    static char texts[64][16];
    if (number < 0 || number >= 64)
        return nullptr;
    std::snprintf(texts[number], sizeof texts[number], "error %d", number);
    return texts[number];
}

// A window of its own that keeps every message posted to it.
class CMessageSink {
public:
    CMessageSink()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = SinkProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KxFlashTestSink";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowA("KxFlashTestSink", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~CMessageSink()
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }
    HWND Handle() const { return m_hWnd; }

    // Pumps until WM_XFER_DONE arrives or the time is up; everything posted meanwhile is kept.
    bool WaitForDone(DWORD timeoutMs)
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            MSG msg;
            while (PeekMessageA(&msg, m_hWnd, 0, 0, PM_REMOVE)) {
                if (msg.message >= WM_APP)
                    m_messages.push_back(msg);
                if (msg.message == WM_XFER_DONE)
                    return true;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        return false;
    }
    std::vector<MSG> m_messages;
    // Reconnect requests the window served, and on which thread.
    static inline int s_reconnects = 0;
    static inline DWORD s_reconnectThread = 0;
    // A reconnect that takes part in the job's handshake and lasts s_reconnectMs, and what the
    // printer had been sent when it ended.
    static inline CFlashDownload* s_job = nullptr;
    static inline DWORD s_reconnectMs = 0;
    static inline std::function<std::string()> s_printerLog;
    static inline std::string s_logAtReconnectEnd;

private:
    static LRESULT CALLBACK SinkProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_FLASH_RECONNECT) {
            ++s_reconnects;
            s_reconnectThread = GetCurrentThreadId();
            if (s_job && s_job->BeginReconnect()) {
                Sleep(s_reconnectMs);
                s_logAtReconnectEnd = s_printerLog();
                s_job->EndReconnect();
            }
            return 1;
        }
        return DefWindowProcA(wnd, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
};

// What the engine showed the operator, gathered from its messages.
struct Outcome {
    std::map<int, int> leds;  // LED -> last state
    std::vector<int> enabled;
    int lastPercent = -1;
    int crc = -1;
    bool done = false;
};

Outcome Summarise(const std::vector<MSG>& messages)
{
    Outcome outcome;
    for (const MSG& msg : messages) {
        switch (msg.message) {
        case WM_SET_LED: outcome.leds[static_cast<int>(msg.wParam)] = static_cast<int>(msg.lParam); break;
        case WM_ENABLE_ITEM: outcome.enabled.push_back(static_cast<int>(msg.wParam)); break;
        case WM_XFER_PROGRESS:
            EXPECT_EQ(msg.lParam, -1);
            EXPECT_GE(static_cast<int>(msg.wParam), outcome.lastPercent);
            outcome.lastPercent = static_cast<int>(msg.wParam);
            break;
        case WM_FLASH_CRC: outcome.crc = static_cast<int>(msg.wParam); break;
        case WM_XFER_DONE: outcome.done = true; break;
        default: break;
        }
    }
    return outcome;
}

std::vector<char> Pattern(size_t n, unsigned seed)
{
    std::vector<char> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(i * 13 + seed + (i >> 16) * 7);
    return bytes;
}

// A header image: signature, whole length (bytes 5-7) and CRC-16 of the rest (bytes 8-9), as the
// virtual printer checks it.
std::vector<char> HeaderImage(size_t n)
{
    std::vector<char> bytes = Pattern(n, 5);
    const unsigned char head[] = {0x02, 0x46, 0x44, 0x3B, 0x1F,
                                  static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                  static_cast<unsigned char>(n >> 16)};
    std::copy(std::begin(head), std::end(head), bytes.begin());
    const uint16_t crc = vprinter::Crc16(bytes.data() + 10, n - 10);
    bytes[8] = static_cast<char>(crc & 0xFF);
    bytes[9] = static_cast<char>(crc >> 8);
    return bytes;
}

class FlashEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(m_sink.Handle(), nullptr);
        ASSERT_TRUE(m_printer.ConnectFromFile(test_support::ControlFile("com7"))) << m_printer.LastError();
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        ASSERT_TRUE(m_printer.Ok("FLUSH"));
        ASSERT_TRUE(m_printer.Ok("FW ON"));
        ASSERT_NO_FATAL_FAILURE(
            test_support::OpenSerialThroughDorvane(m_sink.Handle(), kPortId, "COM7", kSerialSizeIndex));
        g_Transfer.SetParams(0, kPortId, 0, 0, 0, 0);
        g_Transfer.SetQuitEvent(nullptr);
        if (Comm_IsAsyncRead())
            ASSERT_EQ(g_Transfer.StartReaders(), 1);
        g_RxBuffer.Reset();
        g_pfnErrorGetText = ErrorText;
        m_job.m_hQuitEvent = m_quit;
        ASSERT_TRUE(m_thread.Start(FlashThreadProc, &m_job, THREAD_PRIORITY_HIGHEST));
    }
    void TearDown() override
    {
        // The printer is shared with the serial tests: it stops speaking the protocols.
        m_printer.Ok("FW OFF");
        SetEvent(m_quit);
        EXPECT_TRUE(m_thread.Join(10000));
        g_pfnErrorGetText = nullptr;
        g_Transfer.StopThreads();
        Comm_BreakDownCommPort();
        Comm_CloseCleanuo();
        g_SendFile.Close();
        CloseHandle(m_quit);
        if (!m_fileName.empty())
            DeleteFileA(m_fileName.c_str());
    }

    void WriteImage(const std::vector<char>& bytes)
    {
        char dir[MAX_PATH], name[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        GetTempFileNameA(dir, "kxf", 0, name);
        m_fileName = std::string(name) + ".bin";
        HANDLE file = CreateFileA(m_fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        DeleteFileA(name);
        ASSERT_EQ(written, bytes.size());
    }

    // What the Start handler does before it wakes the worker: file open at 0, protocol chosen.
    Outcome Download(const std::vector<char>& image)
    {
        WriteImage(image);
        g_RxBuffer.Reset();
        EXPECT_EQ(g_SendFile.Open(CString(m_fileName.c_str()), 0, 0, 0), 1);
        m_job.m_nProtocol = IsHeaderImage(reinterpret_cast<const uint8_t*>(image.data()), image.size())
                                ? kFlashHeaderProtocol
                                : kFlashPlainProtocol;
        g_FlashStartEvent.Set();
        EXPECT_TRUE(m_sink.WaitForDone(kDownloadTimeoutMs)) << "no WM_XFER_DONE";
        return Summarise(m_sink.m_messages);
    }

    // One row of a reply table: the download, with the messages and boxes of the rows before forgotten.
    Outcome DownloadAnew(const std::vector<char>& image)
    {
        m_sink.m_messages.clear();
        m_boxes.Clear();
        return Download(image);
    }

    std::vector<std::string> Boxes() { return m_boxes.Texts(); }

    // Error n showed exactly one box, "error n"; error 0 showed none.
    void ExpectErrorBox(int error)
    {
        const std::vector<std::string> boxes = Boxes();
        if (error) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0], "error " + std::to_string(error));
        } else {
            EXPECT_TRUE(boxes.empty());
        }
    }

    // The printer's log of steps, as "FW LOG" gives it.
    std::string PrinterLog()
    {
        std::string reply = m_printer.Command("FW LOG");
        return reply.rfind("OK ", 0) == 0 ? reply.substr(3) : reply;
    }

    void ExpectStoredImage(const std::vector<char>& image)
    {
        char expected[64];
        std::snprintf(expected, sizeof expected, "OK %zu %08X", image.size(),
                      vprinter::Crc32(image.data(), image.size()));
        EXPECT_EQ(m_printer.Command("FW IMAGE").substr(0, std::strlen(expected)), expected);
    }

    CMessageSink m_sink;
    vprinter::VPrinterClient m_printer;
    HANDLE m_quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CFlashDownload m_job;
    CThread m_thread;
    std::string m_fileName;
    test_support::BoxRecorder m_boxes;
};

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(FlashEndToEnd, PlainDownloadOfThreeSectorsStoresTheImageAndShowsItsCrc)
{
    const std::vector<char> image = Pattern(3 * 65536, 1);
    // n + 1 equal to the image's sector count is enough flash.
    ASSERT_TRUE(m_printer.Ok("FW SIZE 2"));
    const Outcome outcome = Download(image);

    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_EQ(outcome.leds, (std::map<int, int>{{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}));
    EXPECT_EQ(outcome.enabled, (std::vector<int>{1007, 1008, 1009, 1010, 1011, 1012}));
    EXPECT_EQ(outcome.lastPercent, 100);
    EXPECT_EQ(outcome.crc, vprinter::Crc16(image.data(), image.size()));
    EXPECT_FALSE(g_SendFile.IsOpen());
    ExpectStoredImage(image);
    EXPECT_EQ(PrinterLog(), "mode size erase select data*16 select data*16 select data*16 check crc close");
}

TEST_F(FlashEndToEnd, HeaderDownloadSendsTheWholeFileAndShowsTheStatedCrc)
{
    // 4096 * 2 + 1: the last byte goes out in a piece of its own.
    const std::vector<char> image = HeaderImage(8193);
    const Outcome outcome = Download(image);

    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_EQ(outcome.leds, (std::map<int, int>{{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}));
    EXPECT_EQ(outcome.lastPercent, 100);
    EXPECT_EQ(outcome.crc, static_cast<uint8_t>(image[9]) * 256 + static_cast<uint8_t>(image[8]));
    EXPECT_FALSE(g_SendFile.IsOpen());
    ExpectStoredImage(image);
    EXPECT_EQ(PrinterLog(), "hs status final close");
}

TEST_F(FlashEndToEnd, HeaderImageTooShortForItsCrcFieldShowsNoCrc)
{
    std::vector<char> image = {0x02, 0x46, 0x44, 0x3B, 0x1F, 0x08, 0x00, 0x00};
    const Outcome outcome = Download(image);
    EXPECT_EQ(outcome.crc, -1);
    EXPECT_EQ(std::count(outcome.enabled.begin(), outcome.enabled.end(), kFieldCrc), 0);
    ExpectStoredImage(image);
    // The printer refuses an image without room for its fields: the status ends the download.
    EXPECT_EQ(outcome.leds.at(kFlashLedCheckCrc), kFlashLedRed);
    EXPECT_TRUE(Boxes().empty());
}

// Every answer a plain step can get, with what the operator must see.
struct PlainCase {
    const char* reply;   // FW REPLY arguments
    int error;           // box expected, 0 none
    int led;             // the LED that ends red, -1 when the download succeeds
    const char* tail;    // how the printer's log ends
};

TEST_F(FlashEndToEnd, PlainStepAnswersEndTheDownloadWithTheirErrors)
{
    const PlainCase cases[] = {
        {"erase 15", 18, 2, "erase close"},
        {"erase 42", 9, 2, "erase close"},
        {"erase 1106", 0, -1, "check crc close"},  // XON before the ACK is skipped
        {"select 15", 21, 3, "erase select close"},
        {"select 42", 11, 3, "erase select close"},
        {"select -", 10, 3, "erase select close"},
        {"data 15 3", 19, 3, "select data*4 close"},
        {"data 42 3", 13, 3, "select data*4 close"},
        {"data - 3", 12, 3, "select data*4 close"},
        {"check 15", 20, 4, "data*16 check close"},
        {"check 42", 15, 4, "data*16 check close"},
        {"check -", 14, 4, "data*16 check close"},
    };
    const std::vector<char> image = Pattern(65536, 7);
    for (const PlainCase& c : cases) {
        SCOPED_TRACE(c.reply);
        ASSERT_TRUE(m_printer.Ok("FW ON"));
        ASSERT_TRUE(m_printer.Ok(std::string("FW REPLY ") + c.reply));
        const Outcome outcome = DownloadAnew(image);
        ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(c.error));
        if (c.error) {
            EXPECT_EQ(outcome.leds.at(c.led), kFlashLedRed);
            for (int led = c.led + 1; led < 5; ++led)
                EXPECT_EQ(outcome.leds.count(led), 0u) << "LED " << led;
        } else {
            EXPECT_EQ(outcome.leds.at(kFlashLedCheckCrc), kFlashLedGreen);
        }
        EXPECT_TRUE(outcome.done);
        EXPECT_FALSE(g_SendFile.IsOpen());
        const std::string log = PrinterLog();
        EXPECT_TRUE(EndsWith(log, c.tail)) << log;
    }
}

TEST_F(FlashEndToEnd, FlashOneSectorTooSmallIsRefusedBeforeAnyErase)
{
    ASSERT_TRUE(m_printer.Ok("FW SIZE 1"));
    const Outcome outcome = Download(Pattern(3 * 65536, 2));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], "error 17");
    EXPECT_EQ(outcome.leds.at(kFlashLedFlashSize), kFlashLedRed);
    EXPECT_EQ(outcome.leds.count(kFlashLedErase), 0u);
    EXPECT_EQ(PrinterLog(), "mode size close");
}

TEST_F(FlashEndToEnd, ShortReadOfTheImageEndsTheDownloadWithTheFileError)
{
    SessionLog session("flash_short_read");
    WriteImage(Pattern(65536, 6));
    ASSERT_EQ(g_SendFile.Open(CString(m_fileName.c_str()), 0, 0, 0), 1);
    // The file no longer stands at its start: the last packet finds fewer bytes than it needs.
    char skipped[100];
    DWORD done = 0;
    ASSERT_TRUE(g_SendFile.Read(skipped, sizeof skipped, &done));
    g_RxBuffer.Reset();
    m_job.m_nProtocol = kFlashPlainProtocol;
    g_FlashStartEvent.Set();
    ASSERT_TRUE(m_sink.WaitForDone(kDownloadTimeoutMs));
    const Outcome outcome = Summarise(m_sink.m_messages);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], "error 3");
    EXPECT_EQ(outcome.leds.at(kFlashLedDownload), kFlashLedRed);
    EXPECT_FALSE(g_SendFile.IsOpen());
    EXPECT_EQ(PrinterLog(), "mode size erase select data*15 close");
    // A short read is no system error: no code left from an earlier call is logged as its cause.
    const std::string log = session.Close();
    EXPECT_TRUE(HasLogEntry(log, "Flash Download - image file read failed: 3996 of 4096 bytes\n")) << log;
    EXPECT_EQ(log.find("System Error"), std::string::npos) << log;
}

TEST_F(FlashEndToEnd, HeaderImageTooLargeForMemoryIsReportedAndEndsTheDownload)
{
    SessionLog session("flash_no_memory");
    // A sparse header image of the largest size a file to flash may have: no 32-bit process holds it.
    const unsigned char head[10] = {0x02, 0x46, 0x44, 0x3B, 0x1F};
    WriteImage(std::vector<char>(std::begin(head), std::end(head)));
    HANDLE file = CreateFileA(m_fileName.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = 0xFFFFFFFFll;
    const bool grown = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(grown);
    g_RxBuffer.Reset();
    ASSERT_EQ(g_SendFile.Open(CString(m_fileName.c_str()), 0, 0, 0), 1);
    m_job.m_nProtocol = kFlashHeaderProtocol;
    g_FlashStartEvent.Set();
    ASSERT_TRUE(m_sink.WaitForDone(kDownloadTimeoutMs));
    const Outcome outcome = Summarise(m_sink.m_messages);
    // Told with a box, so a batch run waits for it instead of closing as if the image had gone out.
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(7));
    EXPECT_EQ(outcome.lastPercent, -1);
    EXPECT_FALSE(g_SendFile.IsOpen());
    EXPECT_EQ(PrinterLog(), "hs close");
    const std::string log = session.Close();
    EXPECT_TRUE(HasLogEntry(log, "Flash Download - image of 4294967295 bytes does not fit in memory\n")) << log;
    EXPECT_TRUE(HasLogEntry(log, "error 7")) << log;
}

TEST_F(FlashEndToEnd, AbortDuringTheEraseWaitEndsSilentlyWithTheClosingCommand)
{
    ASSERT_TRUE(m_printer.Ok("FW REPLY erase -"));
    WriteImage(Pattern(65536, 3));
    ASSERT_EQ(g_SendFile.Open(CString(m_fileName.c_str()), 0, 0, 0), 1);
    m_job.m_nProtocol = kFlashPlainProtocol;
    g_FlashStartEvent.Set();
    // Abort once the printer has the erase command (it never answers it).
    ASSERT_TRUE(test_support::WaitWhileReceiving(m_printer, "main", [&] { return EndsWith(PrinterLog(), "erase"); }));
    const DWORD abortAt = GetTickCount();
    SetEvent(g_TransferAbortEvent);
    ASSERT_TRUE(m_sink.WaitForDone(10000));
    EXPECT_LT(GetTickCount() - abortAt, 5000u) << "the wait must end at the next poll";
    const Outcome outcome = Summarise(m_sink.m_messages);
    EXPECT_EQ(outcome.leds.at(kFlashLedErase), kFlashLedRed);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(g_SendFile.IsOpen());
    EXPECT_EQ(PrinterLog(), "mode size erase close");
}

TEST_F(FlashEndToEnd, UsbPrinterAnsweringSIsReconnectedOnTheWindowThreadBeforeTheFlashSize)
{
    struct Case {
        const char* reply;
        int reconnects;
        int led0;
        const char* log;
        DWORD reconnectMs;  // 0: the window answers at once, without the handshake
    };
    const Case cases[] = {
        {"FW REPLY mode 53", 1, kFlashLedGreen, "mode size erase select data*16 check crc close", 0},
        {"FW REPLY mode 06", 0, kFlashLedRed, "mode close", 0},
        // A reopen that outlasts the download's wait for its answer: nothing is sent meanwhile.
        {"FW REPLY mode 53", 1, kFlashLedGreen, "mode size erase select data*16 check crc close", 1500},
    };
    const std::vector<char> image = Pattern(65536, 4);
    CMessageSink::s_printerLog = [this] { return PrinterLog(); };
    m_job.m_dwReconnectAnswerMs = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reply) + " reopen " + std::to_string(c.reconnectMs) + " ms");
        ASSERT_TRUE(m_printer.Ok("FW ON"));
        ASSERT_TRUE(m_printer.Ok(c.reply));
        // Recorded as a USB connection; the bytes still travel over the serial line.
        g_Transfer.SetParams(kDorvaneUsb, kPortId, 0, 0, 0, 0);
        CMessageSink::s_reconnects = 0;
        CMessageSink::s_job = c.reconnectMs ? &m_job : nullptr;
        CMessageSink::s_reconnectMs = c.reconnectMs;
        m_sink.m_messages.clear();
        const Outcome outcome = Download(image);
        EXPECT_EQ(CMessageSink::s_reconnects, c.reconnects);
        if (c.reconnects)
            EXPECT_EQ(CMessageSink::s_reconnectThread, GetCurrentThreadId());
        if (c.reconnectMs)
            EXPECT_EQ(CMessageSink::s_logAtReconnectEnd, "mode");
        EXPECT_EQ(outcome.leds.at(kFlashLedSwitchMode), c.led0);
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(PrinterLog(), c.log);
    }
    CMessageSink::s_job = nullptr;
}

TEST_F(FlashEndToEnd, AbortDuringTheHeaderImageStopsSendingAndStillClosesTheDownload)
{
    const std::vector<char> image = HeaderImage(8 << 20);
    WriteImage(image);
    g_RxBuffer.Reset();
    ASSERT_EQ(g_SendFile.Open(CString(m_fileName.c_str()), 0, 0, 0), 1);
    m_job.m_nProtocol = kFlashHeaderProtocol;
    g_FlashStartEvent.Set();
    // Abort once the printer holds a first part of the image.
    ASSERT_TRUE(test_support::WaitReceived(m_printer, "main", 65536));
    SetEvent(g_TransferAbortEvent);
    ASSERT_TRUE(m_sink.WaitForDone(20000));
    const Outcome outcome = Summarise(m_sink.m_messages);
    EXPECT_EQ(outcome.leds.at(kFlashLedDownload), kFlashLedRed);
    EXPECT_EQ(outcome.crc, -1);
    EXPECT_LT(outcome.lastPercent, 100);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(g_SendFile.IsOpen());

    // The printer got part of the image, then the closing command last (once what the port held
    // has arrived).
    ASSERT_TRUE(test_support::SettledReceived(m_printer, "main"));
    const char* dir = std::getenv("KX_VPRINTER_DIR");
    const std::string dump = std::string(dir ? dir : "") + "/firmware-abort.bin";
    ASSERT_TRUE(m_printer.Ok("DUMP main " + dump));
    const std::vector<char> bytes = test_support::ReadWholeFile(WindowsPath(dump));
    DeleteFileA(WindowsPath(dump).c_str());
    ASSERT_GT(bytes.size(), 4u + 2u);
    EXPECT_LT(bytes.size(), 4 + image.size());
    EXPECT_EQ(std::string(bytes.end() - 2, bytes.end()), std::string("\x1D\xFF"));
    EXPECT_TRUE(std::equal(bytes.begin() + 4, bytes.end() - 2, image.begin())) << "the image as far as it went";
}

// Header answers: status byte of each reply (FW REPLY <step> <status>), with what must be seen.
struct HeaderCase {
    const char* reply;
    int error;
    int led;           // LED ending red, -1 for success
    const char* log;
};

TEST_F(FlashEndToEnd, HeaderAnswersEndTheDownloadAsTheirStatusSays)
{
    const HeaderCase cases[] = {
        {"hs 40", 0, -1, "hs hs2 status final close"},  // '@' then '@' again: ready
        {"hs 78", 0, 0, "hs close"},                     // neither '*' nor '@': red, no message
        {"hs2 2A", 0, 0, "hs hs2 close"},                // second handshake not '@'
        {"status 23", 0, 4, "hs status close"},          // '#': refused without a message
        {"status 67", 0, 4, "hs status close"},          // 'g'
        {"status 78", 15, 4, "hs status close"},
        {"final -", 14, 4, "hs status final close"},
        {"hs -", 16, -2, "hs close"},                    // no LED at all
    };
    const std::vector<char> image = HeaderImage(5000);
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.reply);
        ASSERT_TRUE(m_printer.Ok("FW ON"));
        if (std::string(c.reply).rfind("hs2", 0) == 0)
            ASSERT_TRUE(m_printer.Ok("FW REPLY hs 40"));
        ASSERT_TRUE(m_printer.Ok(std::string("FW REPLY ") + c.reply));
        const Outcome outcome = DownloadAnew(image);
        ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(c.error));
        if (c.led == -1)
            EXPECT_EQ(outcome.leds.at(kFlashLedCheckCrc), kFlashLedGreen);
        else if (c.led == -2)
            EXPECT_TRUE(outcome.leds.empty());
        else
            EXPECT_EQ(outcome.leds.at(c.led), kFlashLedRed);
        EXPECT_TRUE(outcome.done);
        EXPECT_FALSE(g_SendFile.IsOpen());
        EXPECT_EQ(PrinterLog(), c.log);
    }
}

}  // namespace
