// The receive display end to end: what the virtual printer sends on COM8 reaches the capture file
// and the receive list as rows of 16 with their ASCII column, a row completed by a later poll, and
// Clear Buffer empties the lists and the capture file.
#include "receive_fixture.h"
#include "data_log.h"
#include "receive_list_rows.h"

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
        ASSERT_TRUE(m_printer.Ok("SEND main 0506"));
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 6 && !d.m_bListRefreshPending; }, 10000));
        EXPECT_EQ(Captured(), "\x05\x06");

        // The log tells the cause and where the missing span ends.
        DWORD size = 0, read = 0;
        ASSERT_EQ(g_pLog->GetLogFileSize(&size), 1);
        std::string log(size, '\0');
        ASSERT_EQ(g_pLog->ReadLogFile(log.data(), size, &read), 1);
        const size_t failed = log.find("System Error 0x70 ");
        ASSERT_NE(failed, std::string::npos) << log;
        EXPECT_NE(log.find("RX Data Storage File written again", failed), std::string::npos) << log;

        // A capture file that Clear Buffer cannot make again is reported the same way.
        g_RxDataFile.Open("Z:\\no such folder\\rxdata.bin", 1, 0, 0);   // the name held, no file
        gui::Click(d, IDC_CLEAR_BUFFER);
        EXPECT_TRUE(gui::PumpUntil([&] { return Boxes().size() == 2; }, 10000));
    });
    EXPECT_EQ(Boxes().size(), 2u);
}

} // namespace
