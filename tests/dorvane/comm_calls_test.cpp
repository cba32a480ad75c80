// Every Comm_* export reaches the transport slot or field it stands for, with the caller's arguments.
#include "probe_fixture.h"
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

uintptr_t P(const void* p) { return reinterpret_cast<uintptr_t>(p); }

TEST_F(ProbeTransport, OpenSetupHandsWindowAndFlagToTheFactory)
{
    EXPECT_EQ(m_pControl->factoryWindow, m_Post.Handle());
    EXPECT_EQ(m_pControl->factoryWinNT, 1);
    EXPECT_EQ(m_pInfo->m_hNotifyWnd, m_Post.Handle());
    EXPECT_EQ(Comm_IsOpened(), 1);
    EXPECT_EQ(m_Post.TakeCommError(), -1);
}

TEST_F(ProbeTransport, EachCallReachesItsSlotWithTheCallersArguments)
{
    DWORD port = 4;
    char name[] = "COM5";
    int a4 = 0, a5 = 0, a6 = 0, a7 = 0, a8 = 0;
    char data[16] = {};
    DWORD done = 0;
    OVERLAPPED record{};
    DWORD bytes = 0, word = 0;
    char command[] = "IP=REST";
    HANDLE h = reinterpret_cast<HANDLE>(0x1234);

    struct Case {
        const char* name;
        std::function<int()> call;
        ProbeSlot slot;
        std::vector<uintptr_t> args;
    };
    const Case cases[] = {
        {"IsConnectionValid", [&] { return Comm_IsConnectionValid(0xC0A80001, 8, 3, 4, 5, 6, 7); },
         kSlotCheckSettings, {0xC0A80001, 8, 3, 4, 5, 6, 7}},
        {"UpdateConnection", [&] { return Comm_UpdateConnection(1, port, name, a4, a5, a6, a7, a8); }, kSlotOpen,
         {1, P(&port), P(name), P(&a4), P(&a5), P(&a6), P(&a7), P(&a8)}},
        {"WritePort", [&] { return Comm_WritePort(h, data, 9, &done, &record); }, kSlotWrite,
         {P(h), P(data), 9, P(&done), P(&record)}},
        {"ReadPort", [&] { return Comm_ReadPort(h, data, 7, &done, &record); }, kSlotRead,
         {P(h), P(data), 7, P(&done), P(&record)}},
        {"InitGetDeviceStatus", [&] { return Comm_InitGetDeviceStatus(data, 16, bytes, &record); },
         kSlotRequestStatus, {P(data), 16, P(&bytes), P(&record)}},
        {"GetDeviceStatus", [&] { return Comm_GetDeviceStatus(data, 3, word); }, kSlotDecodeStatus,
         {P(data), 3, P(&word)}},
        {"GetDeviceStatusBeforeAnyRequest", [&] { return Comm_GetDeviceStatus(data, 0, word); },
         kSlotDecodeStatus, {P(data), 0, P(&word)}},
        {"SetDeviceParams", [&] { return Comm_SetDeviceParams(command); }, kSlotSetDeviceParams, {P(command)}},
        {"IsDevicePresent", [&] { return Comm_IsDevicePresent(); }, kSlotIsConnected, {}},
        {"BreakDownCommPort", [&] { return Comm_BreakDownCommPort(); }, kSlotClose, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_pControl->lastSlot = -1;
        m_pControl->result = 3;  // a value no default gives: the transport's answer must come back
        m_pControl->readMode = kReadAtOnce;
        EXPECT_EQ(c.call(), 3);
        EXPECT_EQ(m_pControl->lastSlot, c.slot);
        for (size_t i = 0; i < c.args.size(); ++i)
            EXPECT_EQ(m_pControl->lastArgs[i], c.args[i]) << "argument " << i + 1;
    }
}

TEST_F(ProbeTransport, GettersReadTheirFields)
{
    m_pInfo->m_hCommPortTX = reinterpret_cast<HANDLE>(0x11);
    m_pInfo->m_hCommPortRX = reinterpret_cast<HANDLE>(0x22);
    m_pInfo->m_hCommPortRXUsm = reinterpret_cast<HANDLE>(0x33);
    m_pInfo->m_bPortAvailable = 5;
    m_pInfo->m_bBidirectional = 6;
    m_pInfo->m_bAsyncRead = 7;
    m_pInfo->m_dwReadTimeout = 100;
    m_pInfo->m_nDownloadPacketSize = 16384;
    m_pInfo->m_nCommPacketSize = 4096;
    m_pInfo->m_nStringPacketSize = 2;

    struct Case {
        const char* name;
        uintptr_t got;
        uintptr_t want;
    };
    const Case cases[] = {
        {"GethCommPortTX", P(Comm_GethCommPortTX()), 0x11},
        {"GethCommPortRX", P(Comm_GethCommPortRX()), 0x22},
        {"GethCommPortRXUsm", P(Comm_GethCommPortRXUsm()), 0x33},
        {"GetOverlappedTX", P(Comm_GetOverlappedTX()), P(&m_pInfo->m_OverlappedTX)},
        {"GetOverlappedRX", P(Comm_GetOverlappedRX()), P(&m_pInfo->m_OverlappedRX)},
        {"GetOverlappedRXUsm", P(Comm_GetOverlappedRXUsm()), P(&m_pInfo->m_OverlappedRXUsm)},
        {"IsPortAvailable", static_cast<uintptr_t>(Comm_IsPortAvailable()), 5},
        {"IsBidirectional", static_cast<uintptr_t>(Comm_IsBidirectional()), 6},
        {"IsAsyncRead", static_cast<uintptr_t>(Comm_IsAsyncRead()), 7},
        {"GetReadTimeout", Comm_GetReadTimeout(), 100},
        {"GetDownloadPacketSize", Comm_GetDownloadPacketSize(), 16384},
        {"GetCommPacketSize", Comm_GetCommPacketSize(), 4096},
        {"GetStringPacketSize", Comm_GetStringPacketSize(), 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.want) << c.name;
    EXPECT_EQ(m_pControl->orderCount, 0) << "field reads call no slot";
}

TEST_F(ProbeTransport, CloseCleanuoDeletesTheObjectOnceAndIgnoresNone)
{
    EXPECT_EQ(Comm_CloseCleanuo(), 1);
    EXPECT_EQ(Calls(kSlotDestructor), 1);
    EXPECT_EQ(Calls(kSlotClose), 0) << "never opened: nothing to close";
    EXPECT_EQ(Comm_IsOpened(), 0);
    Comm_CloseCleanuo();
    EXPECT_EQ(Calls(kSlotDestructor), 1);
    // The library stays loaded: the main window may still read a record it posted.
    EXPECT_NE(GetModuleHandleA("Vorbeck.dll"), nullptr);
}

TEST_F(ProbeTransport, CloseCleanuoWaitsForACallStillInsideTheTransport)
{
    m_pControl->decodeMs = 500;
    std::thread reader([] {
        DWORD word = 0;
        Comm_GetDeviceStatus(nullptr, 0, word);
    });
    while (Calls(kSlotDecodeStatus) == 0)
        Sleep(1);
    EXPECT_EQ(Comm_CloseCleanuo(), 1);
    EXPECT_EQ(Calls(kSlotDestructor), 1);
    reader.join();
    EXPECT_EQ(m_pControl->dropsWhenDecodeEnded, 0) << "the transport was dropped under the call";
    m_pControl->decodeMs = 0;
}

TEST_F(ProbeTransport, CloseCleanuoKeepsATransportWithARequestStillInFlight)
{
    DWORD port = 0;
    int a = 0;
    ASSERT_EQ(Comm_UpdateConnection(0, port, nullptr, a, a, a, a, a), 1);
    // A write the driver kept after its cancel: it may still complete into the object.
    m_pInfo->m_OverlappedTX.Internal = STATUS_PENDING;
    m_pControl->orderCount = 0;
    EXPECT_EQ(Comm_CloseCleanuo(), 1);
    EXPECT_EQ(Comm_IsOpened(), 0);
    EXPECT_EQ(m_pControl->orderCount, 0) << "the kept transport is neither closed nor freed";
    // A new transport is made beside it.
    ASSERT_EQ(Comm_OpenSetup(m_Post.Handle(), kDorvaneSerial, 1), 1);
    EXPECT_NE(m_pControl->object, m_pInfo);
    EXPECT_EQ(Calls(kSlotDestructor), 0);
}

TEST_F(ProbeTransport, WithoutTransportEveryCallFailsQuietly)
{
    Comm_CloseCleanuo();
    DWORD port = 0, bytes = 0, word = 0, done = 0;
    int a = 0, count = 5;
    char buffer[8];
    char rows[5][128];
    char text[16] = {};
    EXPECT_EQ(Comm_IsOpened(), 0);
    EXPECT_EQ(Comm_IsConnected(), 0);
    EXPECT_EQ(Comm_UpdateConnection(0, port, nullptr, a, a, a, a, a), 0);
    EXPECT_EQ(Comm_BreakDownCommPort(), 0);
    EXPECT_EQ(Comm_IsPortAvailable(), 0);
    EXPECT_EQ(Comm_IsDevicePresent(), 0);
    EXPECT_EQ(Comm_GethCommPortRX(), nullptr);
    EXPECT_EQ(Comm_GetOverlappedRX(), nullptr);
    EXPECT_FALSE(Comm_WritePort(nullptr, buffer, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(Comm_ReadPort(nullptr, buffer, 1, &done, nullptr));
    EXPECT_EQ(Comm_InitGetDeviceStatus(buffer, 8, bytes, nullptr), 0);
    EXPECT_EQ(Comm_GetDeviceStatus(buffer, 0, word), 0);
    EXPECT_EQ(Comm_GetReadTimeout(), INFINITE);
    EXPECT_EQ(Comm_GetCommPacketSize(), 0u);
    EXPECT_EQ(Comm_GetPortParams(a, a, "COM", count, rows), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Comm_SetDeviceParams(text), 0);
    EXPECT_EQ(Comm_ShowPortProperties(text, sizeof text), 0);
    EXPECT_EQ(Calls(kSlotDestructor), 1);
    EXPECT_EQ(m_pControl->orderCount, 1) << "only the destructor reached the transport";
}

TEST_F(ProbeTransport, IsConnectedOnlyWhileOpenAndRecordedConnected)
{
    DWORD port = 0;
    int a = 0;
    EXPECT_EQ(Comm_IsConnected(), 0) << "never opened";
    Comm_SetConnect(1);
    EXPECT_EQ(Comm_IsConnected(), 0) << "recorded, but nothing open";

    ASSERT_EQ(Comm_UpdateConnection(0, port, nullptr, a, a, a, a, a), 1);
    Comm_SetConnect(Comm_IsPortAvailable());
    EXPECT_EQ(Comm_IsConnected(), 1);
    Comm_SetConnect(0);
    EXPECT_EQ(Comm_IsConnected(), 0) << "port not available";
    Comm_SetConnect(1);

    Comm_BreakDownCommPort();
    EXPECT_EQ(Comm_IsConnected(), 0) << "closed";

    ASSERT_EQ(Comm_UpdateConnection(0, port, nullptr, a, a, a, a, a), 1);
    Comm_SetConnect(1);
    m_pControl->result = 0;
    EXPECT_EQ(Comm_UpdateConnection(1, port, nullptr, a, a, a, a, a), 0);
    EXPECT_EQ(Comm_IsConnected(), 0) << "a failed reopen leaves nothing connected";
}

TEST_F(ProbeTransport, CloseCleanuoClosesAPortLeftOpenBeforeDeleting)
{
    DWORD port = 0;
    int a = 0;
    ASSERT_EQ(Comm_UpdateConnection(0, port, nullptr, a, a, a, a, a), 1);
    m_pControl->orderCount = 0;
    Comm_CloseCleanuo();
    ASSERT_EQ(m_pControl->orderCount, 2);
    EXPECT_EQ(m_pControl->order[0], kSlotClose);
    EXPECT_EQ(m_pControl->order[1], kSlotDestructor);
}

TEST_F(ProbeTransport, CloseCleanuoAfterBreakDownClosesOnlyOnce)
{
    DWORD port = 0;
    int a = 0;
    ASSERT_EQ(Comm_UpdateConnection(0, port, nullptr, a, a, a, a, a), 1);
    Comm_BreakDownCommPort();
    Comm_CloseCleanuo();
    EXPECT_EQ(Calls(kSlotClose), 1);
    EXPECT_EQ(Calls(kSlotDestructor), 1);
}

TEST_F(ProbeTransport, OpenSetupAgainDropsTheTransportBeforeMakingANewOne)
{
    ASSERT_EQ(Comm_OpenSetup(m_Post.Handle(), kDorvaneSerial, 0), 1);
    EXPECT_EQ(Calls(kSlotDestructor), 1);
    EXPECT_NE(m_pControl->object, nullptr);
    EXPECT_EQ(m_pControl->factoryWinNT, 0);
    EXPECT_EQ(Comm_IsOpened(), 1);
}

}  // namespace
