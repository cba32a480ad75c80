// CDataLog under Wine: what reaches the HTML file, from one thread and from many at once.
#include "data_log.h"
#include "whole_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>
#include <vector>

CEvent g_LogStopEvent;   // one of the program's global objects

namespace {

std::string TempLogName(const char* tag)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "kx_log_" + tag + "_" + std::to_string(GetCurrentProcessId()) + ".html";
}

using test_support::ReadSharedText;

// The body between the header and the footer as a list of (tag, content), or a failure when
// anything in it is not a whole <h3>/<h4> element with no markup inside.
::testing::AssertionResult ParseBody(const std::string& file, std::vector<std::pair<int, std::string>>& items)
{
    const std::string footer = "</pre>\r\n</body>\r\n</html>\r\n";
    std::smatch m;
    std::regex header("^<html>\r\n<body>\r\n<pre>\r\n<h1>Kestrix V4\\.1\\.4\\.63 Log File, pid = [0-9A-F]+</h1>\r\n");
    if (!std::regex_search(file, m, header))
        return ::testing::AssertionFailure() << "no header";
    if (file.size() < footer.size() || file.compare(file.size() - footer.size(), footer.size(), footer) != 0)
        return ::testing::AssertionFailure() << "no footer";
    std::string body = file.substr(m.length(), file.size() - m.length() - footer.size());
    size_t at = 0;
    while (at < body.size()) {
        if (body.compare(at, 4, "<h3>") != 0 && body.compare(at, 4, "<h4>") != 0)
            return ::testing::AssertionFailure() << "stray text at " << at << ": " << body.substr(at, 40);
        int level = body[at + 2] - '0';
        std::string close = "</h" + std::to_string(level) + ">";
        size_t end = body.find(close, at + 4);
        if (end == std::string::npos)
            return ::testing::AssertionFailure() << "unclosed element at " << at;
        std::string content = body.substr(at + 4, end - at - 4);
        if (content.find('<') != std::string::npos || content.find('>') != std::string::npos)
            return ::testing::AssertionFailure() << "markup inside an element: " << content;
        items.emplace_back(level, content);
        at = end + close.size();
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(DataLog, EntriesFromManyThreadsArriveWholeAndInOrder)
{
    std::string name = TempLogName("threads");
    const int kThreads = 6, kEntries = 400;
    {
        CDataLog log(name.c_str());
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&log, t] {
                unsigned char data[40];
                for (int i = 0; i < kEntries; ++i) {
                    char text[80];
                    snprintf(text, sizeof text, "thread %d entry %d <&>\n", t, i);
                    for (unsigned k = 0; k < sizeof data; ++k)
                        data[k] = static_cast<unsigned char>(t * 16 + k);   // '<' '>' '&' included
                    log.AddEntry(text, data, i % 3 == 0 ? sizeof data : 0);
                }
            });
        }
        for (auto& th : threads)
            th.join();
    }
    std::vector<std::pair<int, std::string>> items;
    ASSERT_TRUE(ParseBody(ReadSharedText(name), items));
    std::vector<int> next(kThreads, 0);
    std::regex line("^Time = \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d:\\d{3} \\(\\+\\d\\d:\\d\\d:\\d\\d:\\d{3}\\) : "
                    "thread (\\d) entry (\\d+) &lt;&amp;&gt;\n$");
    int lastThread = -1, dumps = 0;
    for (auto& [level, content] : items) {
        if (level == 4) {
            ASSERT_GE(lastThread, 0);
            EXPECT_EQ(next[lastThread] % 3, 1) << "a dump follows only entries that had data";
            ++dumps;
            continue;
        }
        std::smatch m;
        ASSERT_TRUE(std::regex_match(content, m, line)) << content;
        int t = std::stoi(m[1]), i = std::stoi(m[2]);
        EXPECT_EQ(i, next[t]) << "thread " << t;
        next[t] = i + 1;
        lastThread = t;
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(next[t], kEntries);
    EXPECT_EQ(dumps, kThreads * ((kEntries + 2) / 3));
    DeleteFileA(name.c_str());
}

TEST(DataLog, FirstEntryShowsNoTimeSinceAndDataOnlyEntryHasNoTimeLine)
{
    std::string name = TempLogName("first");
    {
        CDataLog log(name.c_str());
        log.AddEntry("Start Session.\n", nullptr, 0);
        unsigned char data[17] = {0x41};
        log.AddEntry(nullptr, data, sizeof data);
        log.AddText("bare", 0);
    }
    std::string file = ReadSharedText(name);
    EXPECT_NE(file.find("(+00:00:00:000) : Start Session.\n</h3><h4>0000: 41 00"), std::string::npos) << file;
    EXPECT_NE(file.find("\r\n0010: 00" + std::string(51, ' ') + ".\r\n</h4>bare</pre>"), std::string::npos) << file;
    DeleteFileA(name.c_str());
}

TEST(DataLog, WriterFlushesWithinAboutASecondAndViewCanReadTheFile)
{
    std::string name = TempLogName("flush");
    CDataLog log(name.c_str());
    log.AddEntry("visible soon\n", nullptr, 0);
    bool seen = false;
    for (int i = 0; i < 40 && !seen; ++i) {
        Sleep(100);
        char buf[4096];
        DWORD got = 0;
        ASSERT_TRUE(log.ReadLogFile(buf, sizeof buf - 1, &got));
        seen = std::string(buf, got).find("visible soon") != std::string::npos;
    }
    EXPECT_TRUE(seen);
    // The view's copy does not move where the writer appends.
    log.AddEntry("after the read\n", nullptr, 0);
    DWORD size = 0;
    ASSERT_TRUE(log.GetLogFileSize(&size));
    std::string copy(size, '\0');
    DWORD got = 0;
    ASSERT_TRUE(log.ReadLogFile(copy.data(), size, &got));
    EXPECT_EQ(got, size);
    EXPECT_NE(copy.find("after the read"), std::string::npos);
}

TEST(DataLog, MoreTextThanTheBufferIsKeptWhole)
{
    std::string name = TempLogName("big");
    std::vector<unsigned char> block(4000);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i);
    {
        CDataLog log(name.c_str());
        for (int i = 0; i < 60; ++i)     // ~1.1 MB of dumps
            log.AddEntry("block\n", block.data(), static_cast<int>(block.size()));
    }
    std::vector<std::pair<int, std::string>> items;
    ASSERT_TRUE(ParseBody(ReadSharedText(name), items));
    EXPECT_EQ(items.size(), 120u);
    DeleteFileA(name.c_str());
}

TEST(DataLog, LogThatCannotCreateItsFileStaysSilent)
{
    CDataLog log("Z:\\no\\such\\folder\\log.html");
    EXPECT_EQ(log.AddEntry("lost\n", nullptr, 0), 1);
    DWORD size = 0;
    EXPECT_EQ(log.GetLogFileSize(&size), 0);
    char buf[8];
    DWORD got = 0;
    EXPECT_EQ(log.ReadLogFile(buf, sizeof buf, &got), 0);
}

TEST(DataLog, AddEntryWithoutSessionLogDoesNothing)
{
    ASSERT_EQ(g_pLog, nullptr);
    EXPECT_EQ(AddEntry("nobody listens\n"), 1);
    std::string name = TempLogName("session");
    OpenSessionLog(name.c_str());
    std::atomic<bool> stop{false};
    std::atomic<int> entries{0};
    std::thread logger([&] {
        while (!stop) {
            AddEntry("busy\n");
            ++entries;
        }
    });
    while (entries == 0)
        Sleep(1);
    CloseSessionLog();          // while the other thread keeps logging
    EXPECT_EQ(g_pLog, nullptr);
    // It goes on logging into no log.
    for (const int closedAt = entries; entries == closedAt;)
        Sleep(1);
    stop = true;
    logger.join();
    std::vector<std::pair<int, std::string>> items;
    EXPECT_TRUE(ParseBody(ReadSharedText(name), items));
    EXPECT_FALSE(items.empty());
    DeleteFileA(name.c_str());
}

TEST(DataLog, ReopenedSessionLogKeepsItsWriterAndClosesThePrevious)
{
    std::string first = TempLogName("reopen1");
    std::string second = TempLogName("reopen2");
    OpenSessionLog(first.c_str());
    AddEntry("first\n");
    OpenSessionLog(second.c_str());   // the first log is finished here, the second one runs on
    std::vector<std::pair<int, std::string>> items;
    EXPECT_TRUE(ParseBody(ReadSharedText(first), items));
    AddEntry("second\n");
    // The new writer flushes within its second; wait a few for a slow machine. ReadLogFile reads
    // what is in the file without flushing.
    bool written = false;
    for (int i = 0; i < 50 && !written; ++i) {
        Sleep(100);
        char text[4096] = {};
        DWORD got = 0;
        ASSERT_NE(g_pLog, nullptr);
        if (g_pLog->ReadLogFile(text, sizeof text - 1, &got))
            written = std::string(text, got).find("second") != std::string::npos;
    }
    EXPECT_TRUE(written);
    CloseSessionLog();
    items.clear();
    EXPECT_TRUE(ParseBody(ReadSharedText(second), items));
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
}

TEST(DataLog, TimerMeasuresElapsedMilliseconds)
{
    std::string name = TempLogName("timer");
    CDataLog log(name.c_str());
    ASSERT_EQ(log.StartTimer(), 1);
    Sleep(120);
    LONGLONG ms = log.GetElapsedMs();
    EXPECT_GE(ms, 100);
    EXPECT_LT(ms, 2000);
    SYSTEMTIME a, b;
    GetLocalTime(&a);
    log.GetLogTime(&b);
    EXPECT_EQ(a.wYear, b.wYear);
    EXPECT_EQ(a.wDayOfWeek, b.wDayOfWeek);
}

TEST(DataLog, SessionLogFileNameCarriesPidAndTime)
{
    std::string n = SessionLogFileName("C:\\prog").str();
    std::regex shape("^C:\\\\prog\\\\KestrixLog-pid[0-9A-F]+-\\d{14}\\.html$");
    EXPECT_TRUE(std::regex_match(n, shape)) << n;
}
