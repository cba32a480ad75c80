// CParDrv below the driver seam: the NT driver's service sequence, the request codes of both driver
// forms, the replies it accepts.
#include "in_process_port.h"
#include "par_drv.h"
#include "parallel_codes.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A service control manager that knows one service and records what is asked of it.
struct FakeServices {
    enum State { Missing, Stopped, Running, Paused };
    State state = Missing;
    bool managerOpens = true;
    int createFailures = 0;            // CreateServiceA calls that fail before one succeeds
    DWORD createError = ERROR_SERVICE_EXISTS;
    std::vector<std::string> calls;
    std::string createdPath;

    static FakeServices* current;
    static SC_HANDLE Handle(int n) { return reinterpret_cast<SC_HANDLE>(static_cast<uintptr_t>(n)); }

    static SC_HANDLE WINAPI OpenManager(LPCSTR, LPCSTR, DWORD)
    {
        current->calls.push_back("manager");
        return current->managerOpens ? Handle(1) : nullptr;
    }
    static SC_HANDLE WINAPI OpenService(SC_HANDLE, LPCSTR name, DWORD)
    {
        if (std::string(name) != "Orlith" || current->state == Missing) {
            SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
            return nullptr;
        }
        return Handle(2);
    }
    static SC_HANDLE WINAPI Create(SC_HANDLE, LPCSTR name, LPCSTR display, DWORD, DWORD type, DWORD start, DWORD,
                                   LPCSTR path, LPCSTR, LPDWORD, LPCSTR, LPCSTR, LPCSTR)
    {
        current->calls.push_back("create");
        EXPECT_STREQ(name, "Orlith");
        EXPECT_STREQ(display, "Orlith");
        EXPECT_EQ(type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
        EXPECT_EQ(start, static_cast<DWORD>(SERVICE_DEMAND_START));
        current->createdPath = path;
        if (current->createFailures > 0 || current->state != Missing) {
            --current->createFailures;
            SetLastError(current->state != Missing ? ERROR_SERVICE_EXISTS : current->createError);
            return nullptr;
        }
        current->state = Stopped;
        return Handle(3);
    }
    static BOOL WINAPI Query(SC_HANDLE, LPSERVICE_STATUS status)
    {
        status->dwCurrentState = current->state == Running   ? SERVICE_RUNNING
                                 : current->state == Stopped ? SERVICE_STOPPED
                                                             : SERVICE_PAUSED;
        return TRUE;
    }
    static BOOL WINAPI Start(SC_HANDLE, DWORD, LPCSTR*)
    {
        current->calls.push_back("start");
        current->state = Running;
        return TRUE;
    }
    static BOOL WINAPI Control(SC_HANDLE, DWORD control, LPSERVICE_STATUS)
    {
        current->calls.push_back(control == SERVICE_CONTROL_STOP ? "stop" : "control");
        current->state = Stopped;
        return TRUE;
    }
    static BOOL WINAPI Delete(SC_HANDLE)
    {
        current->calls.push_back("delete");
        current->state = Missing;
        return TRUE;
    }
    static BOOL WINAPI CloseHandle_(SC_HANDLE) { return TRUE; }

    DriverServices Table()
    {
        current = this;
        return {&OpenManager, &OpenService, &Create, &Query, &Start, &Control, &Delete, &CloseHandle_};
    }
};
FakeServices* FakeServices::current = nullptr;

}  // namespace

TEST(ParDrvService, NtDriverServiceIsBroughtToRunningBeforeTheDeviceOpens)
{
    struct Case {
        const char* name;
        FakeServices::State state;
        int createFailures;
        std::vector<std::string> calls;
        bool running;
    } cases[] = {
        {"stopped", FakeServices::Stopped, 0, {"manager", "start"}, true},
        {"running", FakeServices::Running, 0, {"manager", "stop", "start"}, true},
        {"missing", FakeServices::Missing, 0, {"manager", "create", "start"}, true},
        // Another state: made anew.
        {"paused", FakeServices::Paused, 0, {"manager", "create", "stop", "delete", "create", "start"}, true},
        // Cannot be made: nothing is started and the device open decides.
        {"uncreatable", FakeServices::Missing, 2, {"manager", "create"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InProcessPort port;
        FakeServices services;
        services.state = c.state;
        services.createFailures = c.createFailures;
        services.createError = ERROR_ACCESS_DENIED;
        DriverServices table = services.Table();
        CParDrv driver(table);
        EXPECT_EQ(driver.OpenDriver(1, 1, 1), 1);   // the stand-in port answers whatever the service did
        EXPECT_EQ(services.calls, c.calls);
        EXPECT_EQ(services.state == FakeServices::Running, c.running);
        ASSERT_EQ(port.opened, std::vector<std::string>{"\\\\.\\Orlith1"});
        EXPECT_EQ(driver.m_bNtDriver, 1);
        EXPECT_EQ(driver.CloseDriver(), 1);
    }
}

TEST(ParDrvService, DriverFileLiesBesideTheLibrary)
{
    InProcessPort port;
    FakeServices services;
    DriverServices table = services.Table();
    CParDrv driver(table);
    driver.OpenDriver(1, 3, 0);
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::string expected(module);
    expected = expected.substr(0, expected.find_last_of('\\') + 1) + "Orlith.SYS";
    EXPECT_EQ(services.createdPath, expected);
    EXPECT_EQ(std::string(driver.m_szDriverPath), expected);
    EXPECT_EQ(port.opened, std::vector<std::string>{"\\\\.\\Orlith3"});   // not a port the model has
    EXPECT_FALSE(driver.IsOpen());
}

TEST(ParDrvService, NoServiceManagerStillOpensTheDevice)
{
    InProcessPort port;
    FakeServices services;
    services.managerOpens = false;
    DriverServices table = services.Table();
    CParDrv driver(table);
    EXPECT_EQ(driver.OpenDriver(1, 1, 0), 1);
    EXPECT_EQ(services.calls, std::vector<std::string>{"manager"});
}

TEST(ParDrv, InitPortSendsItsRequestsInEitherCodeForm)
{
    for (int nt : {0, 1}) {
        SCOPED_TRACE(nt ? "NT driver" : "9x device");
        InProcessPort port;
        FakeServices services;
        services.state = FakeServices::Running;
        DriverServices table = services.Table();
        CParDrv driver(table);
        driver.m_nPortNumber = 1;
        ASSERT_EQ(driver.InitPort(nt), 1);
        std::vector<uint32_t> expected;
        for (uint32_t n : {kParSetTimeouts, kParQueryValue, kParSetPortMode, kParSelectPort, kParInitLast})
            expected.push_back(ParDriverCode(n, nt != 0));
        EXPECT_EQ(port.TakeCodes(), expected);
        EXPECT_EQ(port.opened.back(), nt ? "\\\\.\\Orlith1" : "\\\\.\\VEL1284.VXD");

        EXPECT_EQ(driver.ShutdownPort(), 1);
        EXPECT_EQ(port.TakeCodes(),
                  (std::vector<uint32_t>{ParDriverCode(kParShutdownFirst, nt != 0), ParDriverCode(kParShutdownSecond, nt != 0)}));
        EXPECT_EQ(port.openHandles, 0);
    }
}

TEST(ParDrv, ReadsAcceptAPartialReadWritesDoNot)
{
    InProcessPort port;
    CParDrv driver;
    driver.m_nPortNumber = 1;
    ASSERT_EQ(driver.InitPort(0), 1);
    port.toSend = {7, 8, 9};
    uint8_t buffer[64] = {};
    DWORD count = 99;
    EXPECT_EQ(driver.ReadData(buffer, sizeof buffer, &count), 1);   // status 6: fewer than asked
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(buffer[2], 9);

    const uint8_t data[] = {1, 2, 3, 4};
    EXPECT_EQ(driver.WriteData(data, sizeof data, &count), 1);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(port.printed, (std::vector<uint8_t>{1, 2, 3, 4}));
    ASSERT_EQ(port.model.Command({"LINES", "paperout"}), "OK");
    SetLastError(ERROR_IO_PENDING);
    EXPECT_EQ(driver.WriteData(data, sizeof data, &count), 0);      // the driver's time-out status
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));

    uint32_t capabilities = 0;
    EXPECT_EQ(driver.GetCapabilities(&capabilities), 1);
    EXPECT_EQ(capabilities & 1u, 1u);
}

TEST(ParDrv, NonzeroStatusFailsTheRequest)
{
    InProcessPort port;
    CParDrv driver;
    driver.m_nPortNumber = 2;   // the model has LPT1 only: SelectPort fails, so do the transfers
    ASSERT_EQ(driver.InitPort(0), 1);
    uint8_t buffer[16];
    DWORD count = 0;
    // Each failure leaves its own error, whatever the thread's last error was before.
    SetLastError(ERROR_IO_PENDING);
    EXPECT_EQ(driver.SelectPort(2, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
    SetLastError(ERROR_IO_PENDING);
    EXPECT_EQ(driver.ReadDeviceId(buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
}

TEST(ParDrv, CloseDriverOnAClosedObjectCallsNothing)
{
    InProcessPort port;
    CParDrv driver;
    EXPECT_EQ(driver.CloseDriver(), 1);
    EXPECT_EQ(port.closes, 0);
    EXPECT_EQ(driver.PlainRequest(kParCloseFirst), 0);   // nor asks a driver that is not open
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(port.TakeCodes().empty());
    // Closed again after an open, it is as a new object.
    driver.m_nPortNumber = 1;
    ASSERT_EQ(driver.InitPort(0), 1);
    EXPECT_EQ(driver.ShutdownPort(), 1);
    EXPECT_EQ(driver.m_hDevice, INVALID_HANDLE_VALUE);
    EXPECT_EQ(driver.CloseDriver(), 1);
    EXPECT_EQ(port.closes, 1);
}
