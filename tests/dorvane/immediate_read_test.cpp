// Comm_ReadPort without a record: reads at once and never leaves a read pending into the caller's buffer.
#include "probe_fixture.h"
#include <cstring>
#include <string>

namespace {

class ImmediateRead : public ProbeTransport {
protected:
    void SetUp() override
    {
        ProbeTransport::SetUp();
        m_pInfo->m_hCommPortRX = reinterpret_cast<HANDLE>(1);  // a pseudo-handle, as the Ethernet one
        std::strcpy(m_pControl->readData, "HELLO");
        m_pControl->readLength = 5;
    }
    // Completes the read the probe left pending, as a transport finishing late would.
    void CompletePendingRead(const char* bytes)
    {
        DWORD n = static_cast<DWORD>(std::strlen(bytes));
        ASSERT_NE(m_pControl->pendingRecord, nullptr);
        ASSERT_LE(n, m_pControl->pendingLength);
        std::memcpy(m_pControl->pendingBuffer, bytes, n);
        m_pControl->pendingRecord->InternalHigh = n;
        m_pControl->pendingRecord->Internal = 0;
        SetEvent(m_pControl->pendingRecord->hEvent);
    }
};

TEST_F(ImmediateRead, NullHandleReadsTheReadHandleWithARecordOfItsOwn)
{
    char buffer[16] = {};
    DWORD done = 0;
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 16, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "HELLO");
    EXPECT_EQ(m_pControl->lastArgs[0], 1u) << "the read handle";
    EXPECT_NE(m_pControl->lastArgs[4], 0u) << "a transport always gets a record";
}

TEST_F(ImmediateRead, AnswersFromEveryKindOfCompletion)
{
    struct Case {
        ProbeReadMode mode;
        BOOL ok;
        const char* bytes;
    };
    const Case cases[] = {
        {kReadAtOnce, TRUE, "HELLO"},
        {kReadPendingDone, TRUE, "HELLO"},
        {kReadPendingOpen, TRUE, ""},
        {kReadFails, FALSE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Comm_BreakDownCommPort();  // forgets a read left pending by the case before
        m_pControl->readMode = c.mode;
        char buffer[16] = {};
        DWORD done = 99;
        SetLastError(0);
        EXPECT_EQ(Comm_ReadPort(nullptr, buffer, 16, &done, nullptr), c.ok);
        EXPECT_EQ(std::string(buffer, done), c.bytes);
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));
        }
    }
}

TEST_F(ImmediateRead, ALateCompletionNeverReachesTheCallersBuffer)
{
    m_pControl->readMode = kReadPendingOpen;
    char buffer[16];
    std::memset(buffer, '.', sizeof buffer);
    DWORD done = 99;
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 16, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_NE(m_pControl->pendingBuffer, buffer);
    // While it stays pending, later calls give nothing and issue no second read.
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 16, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(Calls(kSlotRead), 1);

    CompletePendingRead("LATE");
    EXPECT_EQ(std::string(buffer, 16), std::string(16, '.'));

    // The next call hands out what came late, without reading again.
    m_pControl->calls[kSlotRead] = 0;
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 16, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "LATE");
    EXPECT_EQ(Calls(kSlotRead), 0);
}

TEST_F(ImmediateRead, BytesBeyondTheCountWaitForTheNextCall)
{
    m_pControl->readMode = kReadPendingOpen;
    char buffer[8] = {};
    DWORD done = 0;
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 8, &done, nullptr));
    CompletePendingRead("ABCDEFG");
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 3, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "ABC");
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 8, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "DEFG");
}

TEST_F(ImmediateRead, ClosingThePortDropsWhatWasNotHandedOut)
{
    m_pControl->readMode = kReadPendingOpen;
    char buffer[8] = {};
    DWORD done = 0;
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 8, &done, nullptr));
    CompletePendingRead("OLD");
    Comm_BreakDownCommPort();
    m_pControl->readMode = kReadAtOnce;
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 8, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "HELLO");
}

TEST_F(ImmediateRead, ACallersRecordPassesThroughUntouched)
{
    m_pControl->readMode = kReadPendingOpen;
    char buffer[8] = {};
    DWORD done = 0;
    OVERLAPPED record{};
    HANDLE h = reinterpret_cast<HANDLE>(3);
    EXPECT_FALSE(Comm_ReadPort(h, buffer, 8, &done, &record));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_EQ(m_pControl->pendingRecord, &record);
    EXPECT_EQ(m_pControl->pendingBuffer, buffer);
}

TEST_F(ImmediateRead, APendingSystemReadIsCancelledAndTheNextOneGetsTheData)
{
    // An overlapped pipe stands in for a port opened overlapped.
    const char* name = "\\\\.\\pipe\\dorvane_immediate_read";
    HANDLE server = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1, 512,
                                     512, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    HANDLE client = CreateFileA(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    m_pInfo->m_hCommPortRX = server;
    m_pControl->readMode = kReadSystem;

    char buffer[16];
    std::memset(buffer, '.', sizeof buffer);
    DWORD done = 99;
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 16, &done, nullptr));
    EXPECT_EQ(done, 0u) << "nothing there yet";

    DWORD written = 0;
    ASSERT_TRUE(WriteFile(client, "XYZ", 3, &written, nullptr));
    EXPECT_EQ(std::string(buffer, 16), std::string(16, '.')) << "the cancelled read kept out of the buffer";
    ASSERT_TRUE(Comm_ReadPort(nullptr, buffer, 16, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "XYZ");
    EXPECT_EQ(Calls(kSlotRead), 2);

    m_pInfo->m_hCommPortRX = nullptr;
    CloseHandle(client);
    CloseHandle(server);
}

}  // namespace
