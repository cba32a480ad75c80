// ShowError, ShowCommError, LogSystemError and ReportBox under Wine with the English catalogue:
// what the box shows (through the sink, so nothing blocks) and what the session log holds.
#include "error_report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "report_capture.h"

CEvent g_LogStopEvent(false, false);

namespace {

// The English catalogue library, bound the way the catalogue binding binds it.
class EnglishCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_library = LoadLibraryA("Sablon.dll");
        ASSERT_NE(nullptr, m_library) << "Sablon.dll beside the test";
        g_pfnErrorGetText = reinterpret_cast<ThesGetTextFn>(GetProcAddress(m_library, "Thes_ErrorGetText"));
        g_pfnCommErrorGetText = reinterpret_cast<ThesGetTextFn>(GetProcAddress(m_library, "Thes_CommErrorGetText"));
        ASSERT_NE(nullptr, g_pfnErrorGetText);
        ASSERT_NE(nullptr, g_pfnCommErrorGetText);
        LogEarlyReports();  // nothing left over from another test
    }
    void TearDown() override
    {
        g_pfnErrorGetText = nullptr;
        g_pfnCommErrorGetText = nullptr;
        if (m_library)
            FreeLibrary(m_library);
    }

    HMODULE m_library = nullptr;
};

CommErrorArgs MakeArgs(const char* portName, const char* detail)
{
    CommErrorArgs args = {};
    args.count = 2;
    std::strncpy(args.portName, portName, sizeof args.portName - 1);
    std::strncpy(args.detail, detail, sizeof args.detail - 1);
    return args;
}

TEST_F(EnglishCatalogue, ReportShowsBoxAndLogsTheSameText)
{
    struct Case {
        const char* name;
        void (*report)();
        const char* expected;
    };
    const Case cases[] = {
        {"baud rate", [] { ShowError(33); }, "Error - Invalid Baud Rate"},
        {"reader thread", [] { ShowError(27); }, "Error - Reader Thread didn't exit.\n\r"},
        {"fifo adjusted",
         [] {
             CommErrorArgs args = MakeArgs("COM1", "16");
             ShowCommError(10, &args);
         },
         "COM1  port Transmit FIFO size has been adjusted to :  16"},
        {"port assigned",
         [] {
             CommErrorArgs args = MakeArgs("LPT1", "Office Printer");
             ShowCommError(1, &args);
         },
         "LPT1  port is assigned to printer :\nOffice Printer"},
        {"comm error without fields", [] { ShowCommError(18, nullptr); }, "Error - Ethernet Device Not Found"},
        {"fixed box", [] { ReportBox("Thesaurus DLL not found"); }, "Thesaurus DLL not found"},
    };
    for (const Case& c : cases) {
        BoxRecorder boxes;
        SessionLog log(c.name[0] == 'f' ? "fixed" : "report");
        c.report();
        const std::vector<RecordedBox> shown = boxes.Boxes();
        ASSERT_EQ(1u, shown.size()) << c.name;
        EXPECT_EQ(c.expected, shown[0].text) << c.name;
        EXPECT_EQ(static_cast<UINT>(MB_OK), shown[0].type) << c.name;
        EXPECT_TRUE(HasLogEntry(log.Close(), c.expected)) << c.name;
    }
}

TEST_F(EnglishCatalogue, MissingRecordGivesEmptyFields)
{
    BoxRecorder boxes;
    SessionLog log("norecord");
    ShowCommError(10, nullptr);
    ShowCommError(1, nullptr);
    const std::vector<RecordedBox> shown = boxes.Boxes();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("  port Transmit FIFO size has been adjusted to :  ", shown[0].text);
    EXPECT_EQ("  port is assigned to printer :\n", shown[1].text);
}

TEST_F(EnglishCatalogue, UnterminatedRecordFieldsAreReadOnlyToTheirEnd)
{
    CommErrorArgs args;
    args.count = 2;
    std::memset(args.portName, 'P', sizeof args.portName);
    std::memset(args.detail, 'D', sizeof args.detail);
    BoxRecorder boxes;
    SessionLog log("unterminated");
    ShowCommError(10, &args);
    const std::vector<RecordedBox> shown = boxes.Boxes();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(std::string(128, 'P') + "  port Transmit FIFO size has been adjusted to :  " + std::string(128, 'D'),
              shown[0].text);
}

TEST_F(EnglishCatalogue, ShowErrorOnWorkerThreadShowsUnownedBoxOnThatThread)
{
    BoxRecorder boxes;
    SessionLog log("worker");
    DWORD workerId = 0;
    std::thread worker([&] {
        workerId = GetCurrentThreadId();
        ShowError(20);
    });
    worker.join();
    const std::vector<RecordedBox> shown = boxes.Boxes();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("Error - Bad CRC", shown[0].text);
    EXPECT_EQ(workerId, shown[0].threadId);
    EXPECT_EQ(nullptr, shown[0].owner);
    EXPECT_TRUE(HasLogEntry(log.Close(), "Error - Bad CRC"));
}

TEST(ErrorReport, NoCatalogueMeansNoBoxAndNoLogEntry)
{
    g_pfnErrorGetText = nullptr;
    g_pfnCommErrorGetText = nullptr;
    BoxRecorder boxes;
    SessionLog log("nocatalogue");
    CommErrorArgs args = MakeArgs("COM1", "16");
    ShowError(33);
    ShowCommError(10, &args);
    EXPECT_TRUE(boxes.Boxes().empty());
    const std::string text = log.Close();
    EXPECT_EQ(std::string::npos, text.find("Baud")) << text;
    EXPECT_EQ(std::string::npos, text.find("COM1")) << text;
}

const char* KX_CATALOGUE_CALL NoText(int)
{
    return nullptr;
}

TEST(ErrorReport, CatalogueWithoutTheTextShowsTheNumber)
{
    g_pfnErrorGetText = NoText;
    g_pfnCommErrorGetText = NoText;
    BoxRecorder boxes;
    SessionLog log("notext");
    ShowError(99);
    ShowCommError(10, nullptr);
    g_pfnErrorGetText = nullptr;
    g_pfnCommErrorGetText = nullptr;
    const std::vector<RecordedBox> shown = boxes.Boxes();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("99", shown[0].text);
    EXPECT_EQ("10", shown[1].text);
    const std::string text = log.Close();
    EXPECT_TRUE(HasLogEntry(text, "99")) << text;
    EXPECT_EQ(std::string::npos, text.find("(null)"));
}

TEST(ErrorReport, SystemErrorIsLoggedWithTheSystemsTextAndNoBox)
{
    char* description = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   nullptr, ERROR_ACCESS_DENIED, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<char*>(&description), 0, nullptr);
    ASSERT_NE(nullptr, description);
    const std::string accessDenied = description;
    LocalFree(description);

    BoxRecorder boxes;
    SessionLog log("system");
    LogSystemError(ERROR_ACCESS_DENIED);
    LogSystemError(0xDEADBEEF);  // no text in the system
    EXPECT_TRUE(boxes.Boxes().empty());
    const std::string text = log.Close();
    EXPECT_TRUE(HasLogEntry(text, "System Error 0x5 - Description : " + accessDenied)) << text;
    EXPECT_TRUE(HasLogEntry(text, "System Error 0xDEADBEEF - Description : ")) << text;
}

TEST(ErrorReport, ReportsBeforeTheLogExistsAreWrittenOnceItOpens)
{
    LogEarlyReports();  // no log: drops anything left over
    BoxRecorder boxes;
    ReportBox("Thesaurus DLL not found");
    LogSystemError(ERROR_PROC_NOT_FOUND);
    ASSERT_EQ(1u, boxes.Boxes().size());  // shown at once
    SessionLog log("early");
    LogEarlyReports();
    const std::string text = log.Close();
    EXPECT_TRUE(HasLogEntry(text, "Thesaurus DLL not found")) << text;
    EXPECT_NE(std::string::npos, text.find("System Error 0x7F - Description : ")) << text;
}

TEST(ErrorReport, EarlyReportsAreBounded)
{
    LogEarlyReports();
    BoxRecorder boxes;
    for (int i = 0; i < kMaxEarlyReports + 10; ++i)
        ReportBox(("early " + std::to_string(i)).c_str());
    SessionLog log("bounded");
    LogEarlyReports();
    const std::string text = log.Close();
    EXPECT_TRUE(HasLogEntry(text, "early " + std::to_string(kMaxEarlyReports - 1)));
    EXPECT_FALSE(HasLogEntry(text, "early " + std::to_string(kMaxEarlyReports)));
}

} // namespace
