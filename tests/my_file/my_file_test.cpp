// CMyFile under Wine: framed ".pack" copies read back by an independent receiver, open
// failures, and the capture file shared by appending threads, Save As and Clear Buffer.
#include "my_file.h"
#include "data_log.h"
#include "error_report.h"
#include "framework/message_box.h"
#include "packet_decoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

CEvent g_LogStopEvent;

namespace {

using Bytes = std::vector<unsigned char>;

// The catalogue's text function, recording which errors were shown.
std::vector<int> g_reported;
const char* RecordError(int id)
{
    g_reported.push_back(id);
    return "error text";
}

class MyFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_reported.clear();
        g_pfnErrorGetText = RecordError;
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        m_dir = std::string(dir) + "kx_myfile_" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(m_dir.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (auto& f : m_files)
            DeleteFileA(f.c_str());
        RemoveDirectoryA(m_dir.c_str());
        g_pfnErrorGetText = nullptr;
    }
    std::string Path(const std::string& leaf)
    {
        std::string p = m_dir + "\\" + leaf;
        m_files.push_back(p);
        m_files.push_back(p + ".pack");
        m_files.push_back(p + ".pack.pack");
        return p;
    }
    static void WriteFileBytes(const std::string& name, const Bytes& data)
    {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        if (!data.empty())
            WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &done, nullptr);
        CloseHandle(h);
    }
    static Bytes ReadHeld(CMyFile& f)
    {
        Bytes all;
        unsigned char buf[5000];
        DWORD got = 0;
        EXPECT_TRUE(f.SeekToStart());
        while (f.Read(buf, sizeof buf, &got) && got > 0)
            all.insert(all.end(), buf, buf + got);
        return all;
    }
    static Bytes ReadName(const std::string& name)
    {
        CMyFile f;
        if (!f.Open(name.c_str(), 0, 0, 0))
            return {};
        return ReadHeld(f);
    }
    static Bytes Random(size_t n, unsigned seed)
    {
        std::mt19937 rng(seed);
        Bytes b(n);
        for (auto& x : b)
            x = rng() % 5 == 0 ? Bytes{0x02, 0x03, 0x10, 0x1A}[rng() % 4] : static_cast<unsigned char>(rng());
        return b;
    }
    std::string m_dir;
    std::vector<std::string> m_files;
    CMessageBoxSinkScope m_boxes{[](HWND, const char*, const char*, UINT) { return IDOK; }};
};

} // namespace

TEST_F(MyFileTest, LotteryCopyHoldsOnePacketPer1024BytePiece)
{
    for (size_t size : {size_t(0), size_t(1), size_t(2048), size_t(2049), size_t(5000)}) {
        std::string name = Path("lottery" + std::to_string(size) + ".bin");
        Bytes data = Random(size, static_cast<unsigned>(size));
        WriteFileBytes(name, data);
        CMyFile f;
        ASSERT_EQ(f.Open(name.c_str(), 0, 1, 0), 1) << size;
        EXPECT_EQ(f.GetName().str(), name);
        Bytes framed = ReadHeld(f);
        EXPECT_EQ(f.GetSize(), framed.size());
        f.Close();   // the copy is held unshared
        EXPECT_EQ(ReadName(name + ".pack"), framed);
        PacketDecoder decoder(PacketDecoder::Kind::Lottery);
        decoder.Feed(framed);
        EXPECT_EQ(decoder.Errors(), 0);
        ASSERT_EQ(decoder.Packets().size(), (size + 1023) / 1024) << size;
        for (size_t p = 0; p < decoder.Packets().size(); ++p)
            EXPECT_EQ(decoder.Packets()[p],
                      Bytes(data.begin() + p * 1024, data.begin() + std::min(size, (p + 1) * 1024)));
    }
    EXPECT_TRUE(g_reported.empty());
}

TEST_F(MyFileTest, KioskCopyHoldsTheWholeFileAsOnePacket)
{
    for (size_t size : {size_t(0), size_t(3), size_t(70000)}) {
        std::string name = Path("kiosk" + std::to_string(size) + ".bin");
        Bytes data = Random(size, 7 + static_cast<unsigned>(size));
        WriteFileBytes(name, data);
        CMyFile f;
        ASSERT_EQ(f.Open(name.c_str(), 0, 0, 1), 1);
        Bytes framed = ReadHeld(f);
        PacketDecoder decoder(PacketDecoder::Kind::Kiosk);
        decoder.Feed(framed);
        EXPECT_EQ(decoder.Errors(), 0);
        if (size == 0) {
            EXPECT_TRUE(framed.empty());
            EXPECT_EQ(f.GetSize(), 0u);
        } else {
            ASSERT_EQ(decoder.Packets().size(), 1u);
            EXPECT_EQ(decoder.Packets()[0], data);
        }
    }
}

TEST_F(MyFileTest, KioskCopyTooLargeForMemoryEndsWithError7)
{
    // Sparse files: just over the size whose framed copy no longer fits a 32-bit vector, over the
    // size whose own copy does not, and the largest size a file may have.
    for (ULONGLONG size : {0x40000001ull, 0x80000001ull, 0xFFFFFFFFull}) {
        SCOPED_TRACE(size);
        g_reported.clear();
        std::string name = Path("kiosk_large.bin");
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h));
        CloseHandle(h);
        CMyFile f;
        EXPECT_EQ(f.Open(name.c_str(), 0, 0, 1), 0);
        EXPECT_EQ(f.GetHandle(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(g_reported, std::vector<int>{7});
        EXPECT_EQ(GetFileAttributesA((name + ".pack").c_str()), INVALID_FILE_ATTRIBUTES);
        f.Close();
        DeleteFileA(name.c_str());
    }
}

TEST_F(MyFileTest, LotteryWinsWhenBothFramingsAreAsked)
{
    std::string name = Path("both.bin");
    WriteFileBytes(name, {0x10});
    CMyFile f;
    ASSERT_EQ(f.Open(name.c_str(), 0, 1, 1), 1);
    EXPECT_EQ(ReadHeld(f), (Bytes{0x02, 0x10, 0x03, 0xED}));
}

TEST_F(MyFileTest, PackedPackFileGetsASecondSuffix)
{
    std::string name = Path("data.bin");
    WriteFileBytes(name, {1, 2, 3});
    CMyFile f;
    ASSERT_EQ(f.Open((name + ".pack").c_str(), 0, 1, 0), 0);   // no such file yet
    ASSERT_EQ(f.Open(name.c_str(), 0, 1, 0), 1);
    f.Close();
    ASSERT_EQ(f.Open((name + ".pack").c_str(), 0, 0, 1), 1);
    f.Close();
    EXPECT_FALSE(ReadName(name + ".pack.pack").empty());
}

TEST_F(MyFileTest, MissingFileIsNotPackedFromNothing)
{
    std::string name = Path("missing.bin");
    for (int kiosk : {0, 1}) {
        CMyFile f;
        EXPECT_EQ(f.Open(name.c_str(), 0, !kiosk, kiosk), 0);
        EXPECT_EQ(f.GetHandle(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetFileAttributesA((name + ".pack").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_TRUE(g_reported.empty());   // the caller reports the open failure
}

TEST_F(MyFileTest, CopyThatCannotBeCreatedIsReportedAndNothingIsHeld)
{
    std::string name = Path("blocked.bin");
    WriteFileBytes(name, {1, 2, 3});
    ASSERT_TRUE(CreateDirectoryA((name + ".pack").c_str(), nullptr));   // the copy's name is taken
    CMyFile f;
    EXPECT_EQ(f.Open(name.c_str(), 0, 1, 0), 0);
    EXPECT_EQ(f.GetHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(g_reported, std::vector<int>{1});
    RemoveDirectoryA((name + ".pack").c_str());
}

TEST_F(MyFileTest, PlainOpenAndCreate)
{
    std::string name = Path("plain.bin");
    CMyFile f;
    EXPECT_EQ(f.GetHandle(), nullptr);
    ASSERT_EQ(f.Open(name.c_str(), 1, 0, 0), 1);
    ASSERT_TRUE(f.Append("abc", 3));
    EXPECT_EQ(ReadHeld(f), (Bytes{'a', 'b', 'c'}));
    f.Close();
    EXPECT_EQ(f.GetHandle(), nullptr);
    ASSERT_EQ(f.Open(name.c_str(), 0, 0, 0), 1);
    EXPECT_EQ(f.GetSize(), 3u);
    // Another mode keeps the handle held.
    HANDLE held = f.GetHandle();
    EXPECT_EQ(f.Open(name.c_str(), 7, 0, 0), 1);
    EXPECT_EQ(f.GetHandle(), held);
}

// Reader threads append records while Save As copies and Clear Buffer recreates: every copy
// and the final file hold whole records only, each thread's in order, and after the last
// recreate every record appended since is there.
TEST_F(MyFileTest, CaptureFileKeepsEveryAppendedRecordWhole)
{
    std::string name = Path("rxdata");
    std::string copyName = Path("saved.bin");
    CMyFile capture;
    ASSERT_EQ(capture.Open(name.c_str(), 1, 0, 0), 1);
    const int kThreads = 4;
    const int kRecordSize = 37;
    std::atomic<bool> stop{false};
    std::atomic<int> appended[kThreads] = {};
    std::vector<std::thread> readers;
    for (int t = 0; t < kThreads; ++t) {
        readers.emplace_back([&, t] {
            for (int i = 0; !stop; ++i) {
                char rec[kRecordSize];
                snprintf(rec, sizeof rec, "<%d:%08d>", t, i);
                std::memset(rec + 12, 'a' + t, kRecordSize - 13);
                rec[kRecordSize - 1] = '\n';
                ASSERT_TRUE(capture.Append(rec, kRecordSize));
                appended[t] = i + 1;
            }
        });
    }
    auto checkWhole = [&](const Bytes& content, std::vector<int>* counts) {
        ASSERT_EQ(content.size() % kRecordSize, 0u);
        std::vector<int> last(kThreads, -1);
        for (size_t at = 0; at < content.size(); at += kRecordSize) {
            std::string rec(content.begin() + at, content.begin() + at + kRecordSize);
            int t = rec[1] - '0';
            ASSERT_TRUE(t >= 0 && t < kThreads) << rec;
            int i = std::stoi(rec.substr(3, 8));
            EXPECT_GT(i, last[t]);
            last[t] = i;
            EXPECT_EQ(rec.substr(12, kRecordSize - 13), std::string(kRecordSize - 13, 'a' + t));
        }
        if (counts)
            *counts = last;
    };
    for (int round = 0; round < 20; ++round) {
        Sleep(5);
        ASSERT_EQ(capture.CopyTo(copyName.c_str()), static_cast<DWORD>(ERROR_SUCCESS));
        checkWhole(ReadName(copyName), nullptr);
        if (round == 10) {
            ASSERT_EQ(capture.Recreate(), 1);
        }
    }
    int before[kThreads];
    for (int t = 0; t < kThreads; ++t)
        before[t] = appended[t];
    stop = true;
    for (auto& r : readers)
        r.join();
    ASSERT_EQ(capture.CopyTo(copyName.c_str()), static_cast<DWORD>(ERROR_SUCCESS));
    std::vector<int> last;
    checkWhole(ReadName(copyName), &last);
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(last[t] + 1, appended[t].load()) << "the last record of each thread is there";
        EXPECT_GE(appended[t].load(), before[t]);
    }
}

TEST_F(MyFileTest, CopyOfAClosedCaptureReportsTheError)
{
    CMyFile capture;
    std::string copyName = Path("none.bin");
    EXPECT_EQ(capture.CopyTo(copyName.c_str()), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(capture.Append("x", 1));
}

// A capture failure with no window to report to (none yet, or the main dialog gone at the way out
// while a receiver still runs) goes to the log only: a box would stand on the receiver's thread,
// where nobody answers it and the exit waits for it.
TEST_F(MyFileTest, CaptureFailureWithoutAWindowToReportToGoesToTheLogOnly)
{
    for (const bool hadWindow : {false, true}) {
        SCOPED_TRACE(hadWindow ? "its window is gone" : "no window yet");
        const std::string logName = Path(hadWindow ? "gone.html" : "none.html");
        OpenSessionLog(CString(logName.c_str()));
        std::mutex lock;
        std::vector<DWORD> boxThreads;
        CMessageBoxSinkScope boxes([&](HWND, const char*, const char*, UINT) {
            std::lock_guard<std::mutex> guard(lock);
            boxThreads.push_back(GetCurrentThreadId());
            return IDOK;
        });
        CMyFile capture;
        ASSERT_EQ(capture.Open("Z:\\dev\\full", 1, 0, 0), 1);   // a device that takes nothing
        HWND window = nullptr;
        if (hadWindow) {
            window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            ASSERT_NE(window, nullptr);
            DestroyWindow(window);
        }
        capture.SetReportWindow(window);
        std::thread receiver([&] { capture.AppendReceived("ab", 2); });
        receiver.join();
        CloseSessionLog();
        EXPECT_TRUE(boxThreads.empty());
        std::ifstream file(logName, std::ios::binary);
        const std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_NE(log.find(") : error text</h"), std::string::npos) << log;
        EXPECT_NE(log.find(") : System Error 0x70 "), std::string::npos) << log;
    }
}

// A Clear Buffer that creates the file at last ends the span of the start-up's failure: the
// file's next failure is a new span, reported again.
TEST_F(MyFileTest, ACaptureFileCreatedAtLastIsReportedWhenItFailsAgain)
{
    const std::string logName = Path("again.html");
    OpenSessionLog(CString(logName.c_str()));
    CMyFile capture;
    EXPECT_EQ(capture.Create(CString(m_dir.c_str())), 0);   // a folder: no file of that name
    EXPECT_EQ(capture.Create("Z:\\dev\\full"), 1);
    capture.AppendReceived("ab", 2);
    CloseSessionLog();
    EXPECT_EQ(g_reported.size(), 2u);
    std::ifstream file(logName, std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find(") : System Error 0x70 "), std::string::npos) << log;
}

TEST_F(MyFileTest, FileOf4GBOrMoreIsRefusedAsTooLarge)
{
    std::string name = Path("huge.bin");
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 0x100000000ll + 10;
    bool grown = SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    if (!grown)
        GTEST_SKIP() << "no room for a sparse 4 GB file here";
    CMyFile f;
    EXPECT_EQ(f.Open(name.c_str(), 0, 0, 0), 0);
    EXPECT_EQ(f.GetHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(g_reported, std::vector<int>{24});
    EXPECT_EQ(GetFileAttributesA((name + ".pack").c_str()), INVALID_FILE_ATTRIBUTES);
}
