// The receive display end to end: what the virtual printer sends on COM8 reaches the capture file
// and the receive list as rows of 16 with their ASCII column, a row completed by a later poll, and
// Clear Buffer empties the lists and the capture file.
#include "receive_fixture.h"
#include "data_log.h"
#include "receive_list_rows.h"

#include <cstdio>

namespace {

TEST_F(ReceiveOnCom8, PrinterBytesShowAsRowsOfSixteenAcrossPollsAndClearBufferEmptiesEverything)
{
    RunConnected([&](CKestrixDlg& d) {
        ASSERT_TRUE(m_printer.Ok("SEND main 000102030405060708090A0B0C0D0E0F10111213"));
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 20 && !d.m_bListRefreshPending; }, 10000));
        // A later poll completes the second row.
        ASSERT_TRUE(m_printer.Ok("SEND main 4142434445"));
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 25 && !d.m_bListRefreshPending; }, 10000));
        const std::vector<std::vector<std::string>> expected = {
            {"00 01 02 03 04 05 06 07 - 08 09 0A 0B 0C 0D 0E 0F ", std::string(16, ' ')},
            {"10 11 12 13 41 42 43 44 - 45 ", "    ABCDE"},
        };
        EXPECT_EQ(ReceiveListRows(d, IDC_RX_LIST), expected);
        std::string sent;
        for (int i = 0; i < 20; ++i)
            sent += static_cast<char>(i);
        sent += "ABCDE";
        EXPECT_EQ(Captured(), sent);

        gui::Click(d, IDC_CLEAR_BUFFER);
        EXPECT_TRUE(ReceiveListRows(d, IDC_RX_LIST).empty());
        EXPECT_EQ(d.m_listUsm.GetItemCount(), 0);
        EXPECT_EQ(Captured(), "");

        // After the clear the printer's next bytes start a new first row and a new capture.
        ASSERT_TRUE(m_printer.Ok("SEND main 7F80"));
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 2 && !d.m_bListRefreshPending; }, 10000));
        EXPECT_EQ(ReceiveListRows(d, IDC_RX_LIST), (std::vector<std::vector<std::string>>{{"7F 80 ", "\x7F "}}));
        EXPECT_EQ(Captured(), "\x7F\x80");
    });
    EXPECT_TRUE(Boxes().empty()) << ::testing::PrintToString(Boxes());
}

TEST_F(ReceiveOnCom8, CaptureFileOnAFullVolumeIsReportedOnceAndReceivingGoesOn)
{
    RunConnected([&](CKestrixDlg& d) {
        // A device that takes nothing, as a volume without room does.
        ASSERT_EQ(g_RxDataFile.Open("Z:\\dev\\full", 1, 0, 0), 1);
        ASSERT_TRUE(m_printer.Ok("SEND main 0102"));
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 2; }, 10000));
        ASSERT_TRUE(m_printer.Ok("SEND main 0304"));
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 4 && !Boxes().empty(); }, 10000));
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Error - Open RX Data Storage File"});

        // Room again: the next bytes reach the file, and no further box is shown.
        ASSERT_EQ(g_RxDataFile.Open(d.m_strRxDataFile, 1, 0, 0), 1);
        ASSERT_TRUE(PrinterSends(d, "0506", 6));
        EXPECT_EQ(Captured(), "\x05\x06");

        // The log tells the cause and where the missing span ends.
        ExpectLoggedInOrder("System Error 0x70 ", "RX Data Storage File written again");
    });
    EXPECT_EQ(Boxes().size(), 1u);
    ExpectBoxesOnThisThread();
}

TEST_F(ReceiveOnCom8, CaptureFileThatCannotBeMadeAtStartIsReportedAndMadeOnceItCanBe)
{
    // Both names start-up tries are taken (by folders).
    char perProcess[64];
    std::snprintf(perProcess, sizeof perProcess, "\\rxdata-pid%X.bin", static_cast<unsigned>(GetCurrentProcessId()));
    const std::string taken[] = {m_folder + "\\rxdata.bin", m_folder + perProcess};
    for (const std::string& name : taken)
        ASSERT_TRUE(CreateDirectoryA(name.c_str(), nullptr)) << name;
    RunConnected([&](CKestrixDlg& d) {
        EXPECT_EQ(d.m_strRxDataFile, CString(taken[1].c_str()));
        ASSERT_TRUE(gui::PumpUntil([&] { return !Boxes().empty(); }, 10000));
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Error - Open RX Data Storage File"});
        // The receivers go on trying: bytes that still miss the file show no further box.
        ASSERT_TRUE(PrinterSends(d, "0102", 2));
        // Once the name is free, the next bytes make the file.
        ASSERT_TRUE(RemoveDirectoryA(taken[1].c_str()));
        ASSERT_TRUE(PrinterSends(d, "0304", 4));
        EXPECT_EQ(Captured(), "\x03\x04");
        ExpectLoggedInOrder("System Error 0x5 ", "RX Data Storage File created");
    });
    RemoveDirectoryA(taken[0].c_str());
    EXPECT_EQ(Boxes().size(), 1u);
    ExpectBoxesOnThisThread();
}

TEST_F(ReceiveOnCom8, ClearBufferReportsEachCaptureFileItCannotMakeAndReceivingMakesItLater)
{
    RunConnected([&](CKestrixDlg& d) {
        const std::string folder = m_folder + "\\later";
        // The name held, no file.
        ASSERT_EQ(g_RxDataFile.Open(CString((folder + "\\rxdata.bin").c_str()), 1, 0, 0), 0);
        gui::Click(d, IDC_CLEAR_BUFFER);
        ASSERT_TRUE(gui::PumpUntil([&] { return Boxes().size() == 1; }, 10000));
        // Received bytes that miss the file show no further box, but a Clear Buffer that fails
        // again is the user's own action and is told again.
        ASSERT_TRUE(PrinterSends(d, "0102", 2));
        gui::Click(d, IDC_CLEAR_BUFFER);
        ASSERT_TRUE(gui::PumpUntil([&] { return Boxes().size() == 2; }, 10000));
        EXPECT_EQ(Boxes(), std::vector<std::string>(2, "Error - Open RX Data Storage File"));

        // After the failed recreate the receivers try again: once the folder is there, the next
        // bytes make the file.
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        ASSERT_TRUE(PrinterSends(d, "0304", 2));
        EXPECT_EQ(Captured(), "\x03\x04");
        ExpectLoggedInOrder("System Error 0x3 ", "RX Data Storage File created");
    });
    EXPECT_EQ(Boxes().size(), 2u);
    ExpectBoxesOnThisThread();
}

} // namespace
