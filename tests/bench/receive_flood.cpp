// Receive flood benchmark: the virtual printer sends on COM8 as fast as it can for 10 s while the main
// dialog captures and shows it. Prints the bytes captured against the bytes sent, the bytes shown
// against the bytes captured, the dialog's answer time to a message during the flood and the
// process's memory at the end. Run by receive_flood.sh.
#include "receive_fixture.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "flood_pattern.h"

namespace {

constexpr DWORD kFloodMs = 10000;
// A whole number of pattern periods, so byte k of the capture is FloodByte(k) across FLOOD commands.
constexpr unsigned kChunk = 251 * 1024;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

unsigned long long CaptureSize()
{
    LARGE_INTEGER size = {};
    return GetFileSizeEx(g_RxDataFile.GetHandle(), &size) ? static_cast<unsigned long long>(size.QuadPart) : 0;
}

TEST_F(ReceiveOnCom8, FloodForTenSeconds)
{
    RunConnected([&](CKestrixDlg& d) {
        LARGE_INTEGER frequency, start, now;
        QueryPerformanceFrequency(&frequency);

        // Another thread asks the dialog a message every 20 ms and times the answer.
        std::atomic<bool> flooding{true};
        std::vector<double> answers;
        const HWND wnd = d;
        std::atomic<bool> proberDone{false};
        std::thread prober([&] {
            while (flooding) {
                LARGE_INTEGER a, b;
                DWORD_PTR result = 0;
                QueryPerformanceCounter(&a);
                SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
                QueryPerformanceCounter(&b);
                answers.push_back(Seconds(a, b, frequency) * 1000.0);
                Sleep(20);
            }
            proberDone = true;
        });

        // A third thread keeps the printer flooding, at most two commands ahead of what has arrived,
        // so the flood ends on time; the dialog's thread only runs its message loop.
        std::atomic<unsigned long long> sent{0};
        std::atomic<bool> commandFailed{false};
        std::atomic<bool> feederDone{false};
        QueryPerformanceCounter(&start);
        std::thread feeder([&] {
            LARGE_INTEGER t;
            do {
                if (sent < CaptureSize() + 2ull * kChunk) {
                    if (!m_printer.Ok("FLOOD main " + std::to_string(kChunk))) {
                        commandFailed = true;
                        break;
                    }
                    sent += kChunk;
                } else {
                    Sleep(1);
                }
                QueryPerformanceCounter(&t);
            } while (Seconds(start, t, frequency) * 1000.0 < kFloodMs);
            feederDone = true;
        });
        gui::PumpUntil([&] {
            QueryPerformanceCounter(&now);
            return Seconds(start, now, frequency) * 1000.0 >= kFloodMs;
        }, kFloodMs + 1000);
        // The dialog's thread keeps answering while the helpers end.
        gui::PumpUntil([&] { return feederDone.load(); }, 60000);
        feeder.join();
        QueryPerformanceCounter(&now);
        const double floodSeconds = Seconds(start, now, frequency);
        flooding = false;
        gui::PumpUntil([&] { return proberDone.load(); }, 60000);
        prober.join();
        ASSERT_FALSE(commandFailed);

        // Everything sent arrives, and the display sees all of it.
        gui::PumpUntil([&] { return CaptureSize() >= sent.load(); }, 120000);
        const unsigned long long captured = CaptureSize();
        gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() + d.m_rowsRx.SkippedCount() >= captured; }, 30000);
        gui::PumpFor(200);
        const unsigned long long shown = d.m_rowsRx.ByteCount();
        const unsigned long long skipped = d.m_rowsRx.SkippedCount();

        const std::string bytes = Captured();
        unsigned long long wrong = 0;
        for (std::size_t k = 0; k < bytes.size(); ++k)
            if (static_cast<unsigned char>(bytes[k]) != vprinter::FloodByte(k))
                ++wrong;

        std::sort(answers.begin(), answers.end());
        const double median = answers.empty() ? 0 : answers[answers.size() / 2];
        const double worst = answers.empty() ? 0 : answers.back();
        PROCESS_MEMORY_COUNTERS_EX memory = {};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);

        std::printf("flood time                 %.1f s\n", floodSeconds);
        std::printf("bytes sent by the printer  %llu (%.2f MB/s)\n", sent.load(), sent / floodSeconds / 1e6);
        std::printf("bytes captured             %llu  captured/sent = %.4f  %s\n", captured,
                    sent ? static_cast<double>(captured) / sent : 0.0, captured == sent.load() ? "equal" : "NOT EQUAL");
        std::printf("captured bytes wrong       %llu\n", wrong);
        std::printf("bytes shown                %llu  shown/captured = %.4f  (skipped by the display: %llu)\n",
                    shown, captured ? static_cast<double>(shown) / captured : 0.0, skipped);
        std::printf("rows in the receive list   %d\n", d.m_listRx.GetItemCount());
        std::printf("dialog answer time         median %.2f ms, worst %.2f ms over %zu messages\n", median, worst,
                    answers.size());
        std::printf("process memory at the end  committed %.1f MB, working set %.1f MB (peak %.1f MB)\n",
                    memory.PagefileUsage / 1048576.0, memory.WorkingSetSize / 1048576.0,
                    memory.PeakWorkingSetSize / 1048576.0);
        EXPECT_EQ(captured, sent.load());
        EXPECT_EQ(wrong, 0u);
        EXPECT_EQ(shown + skipped, captured);
    });
}

} // namespace
