// CUsbDev against the stand-in driver under Wine: opening by list and by name, the driver's
// version check, requests on a closed object.
#include "usb_info.h"

#include "driver_access.h"
#include "standin_link.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class UsbDevTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ns = standin::StandinNamespace();
        if (m_ns.empty()) GTEST_SKIP() << "no stand-in driver (run through with_standin.sh)";
        std::string answer;
        for (int i = 0; i < 200 && answer.rfind("OK", 0) != 0; ++i) {
            answer = standin::StandinCommand(m_ns, "PING");
            if (answer.rfind("OK", 0) != 0) Sleep(50);
        }
        ASSERT_EQ(answer, "OK standin");
        m_list = CreateDeviceList(&kUsbDriverInterfaceClass);
        ASSERT_NE(m_list, nullptr);
    }
    void TearDown() override { DestroyDeviceList(m_list); }

    std::string m_ns;
    HDEVINFO m_list = nullptr;
    CUsbDev m_dev;
};

TEST_F(UsbDevTest, OpenOnAnOpenObjectKeepsItsHandle)
{
    ASSERT_EQ(m_dev.Open(0, m_list, &kUsbDriverInterfaceClass), 0u);
    HANDLE handle = m_dev.GetHandle();
    EXPECT_EQ(m_dev.Open(0, m_list, &kUsbDriverInterfaceClass), 0u);
    EXPECT_EQ(m_dev.GetHandle(), handle);
}

TEST_F(UsbDevTest, OpenResultsByListNumberAndName)
{
    struct Case {
        const char* name;
        int number;
        bool useList;
        const GUID* interfaceClass;
        DWORD status;
    };
    const Case cases[] = {
        {"first interface of the list", 0, true, &kUsbDriverInterfaceClass, 0},
        {"past the last interface", 1, true, &kUsbDriverInterfaceClass, 0xE0001104},
        {"list without a class", 0, true, nullptr, 0xE0001105},
        {"device name", 0, false, nullptr, 0},
        {"device name of no device", 3, false, nullptr, 0xE0001100},
    };
    for (const Case& c : cases) {
        CUsbDev dev;
        EXPECT_EQ(dev.Open(c.number, c.useList ? m_list : nullptr, c.interfaceClass), c.status) << c.name;
        EXPECT_EQ(dev.IsOpen(), c.status == 0) << c.name;
    }
}

TEST_F(UsbDevTest, DriverOfAnotherInterfaceVersionIsClosedAgain)
{
    ASSERT_EQ(standin::StandinCommand(m_ns, "USB VERSION 0140"), "OK");
    EXPECT_EQ(m_dev.Open(0, m_list, &kUsbDriverInterfaceClass), 0xE000101Cu);
    EXPECT_FALSE(m_dev.IsOpen());
    ASSERT_EQ(standin::StandinCommand(m_ns, "USB VERSION 0141"), "OK");
    EXPECT_EQ(m_dev.Open(0, m_list, &kUsbDriverInterfaceClass), 0u);
}

TEST_F(UsbDevTest, RequestsOnAClosedObjectFail)
{
    BYTE descriptor[18];
    BYTE value = 0;
    EXPECT_EQ(m_dev.GetDeviceDescriptor(descriptor), 0xE0001102u);
    EXPECT_EQ(m_dev.GetConfiguration(&value), 0xE0001102u);
    EXPECT_EQ(m_dev.ResetDevice(), 0xE0001102u);
    ASSERT_EQ(m_dev.Open(0, m_list, &kUsbDriverInterfaceClass), 0u);
    m_dev.Close();
    EXPECT_EQ(m_dev.GetConfiguration(&value), 0xE0001102u);
}

TEST_F(UsbDevTest, PipeBindsOnlyToAnEndpointOfTheConfiguredInterface)
{
    ASSERT_EQ(m_dev.Open(0, m_list, &kUsbDriverInterfaceClass), 0u);
    CUsbDevRd unconfigured;
    EXPECT_EQ(unconfigured.Bind(0, 0x81, m_list, &kUsbDriverInterfaceClass), 0xE0001006u);
    usb_driver::SetConfigurationRecord record{};
    record.interfaceCount = 1;
    record.interfaces[0].maxTransferSize = 16384;
    ASSERT_EQ(m_dev.SetConfiguration(record), 0u);
    CUsbDevRd reader;
    EXPECT_EQ(reader.Bind(0, 0x81, m_list, &kUsbDriverInterfaceClass), 0u);
    CUsbDevWr stranger;
    EXPECT_EQ(stranger.Bind(0, 0x07, m_list, &kUsbDriverInterfaceClass), 0xE0001013u);
    EXPECT_EQ(reader.AbortPipe(), 0u);
}

TEST_F(UsbDevTest, ReaderLoopWithAnEmptyPoolReturnsAtOnce)
{
    CUsbDevRd reader;
    reader.ThreadRoutine();   // no buffer was ever put into the pool
    EXPECT_EQ(reader.m_Pool.FreeCount(), 0u);
    EXPECT_EQ(reader.m_pFirstPending, nullptr);
}

// The driver table in use, with its SETUPAPI loads and releases counted.
struct SetupApiCounts {
    static inline const standin::DriverAccess* base = nullptr;
    static inline int loads = 0;
    static inline int frees = 0;
    static HMODULE Load()
    {
        HMODULE module = base->LoadSetupApi();
        if (module) ++loads;
        return module;
    }
    static void Free(HMODULE module)
    {
        ++frees;
        base->FreeSetupApi(module);
    }
};

TEST_F(UsbDevTest, DeviceListLetsGoOfEveryLibraryReferenceItTook)
{
    SetupApiCounts::base = &standin::Driver();
    const standin::DriverAccess& base = *SetupApiCounts::base;
    const standin::DriverAccess counting = {SetupApiCounts::Load, base.SetupApiProc, SetupApiCounts::Free,
                                            base.OpenDevice,      base.IoControl,    base.CloseDevice};
    SetupApiCounts::loads = SetupApiCounts::frees = 0;
    standin::SetDriverAccess(&counting);
    struct Restore {
        ~Restore() { standin::SetDriverAccess(nullptr); }
    } restore;
    for (int i = 0; i < 3; ++i) {
        HDEVINFO list = CreateDeviceList(&kUsbDriverInterfaceClass);
        EXPECT_NE(list, nullptr);
        ASSERT_EQ(m_dev.Open(0, list, &kUsbDriverInterfaceClass), 0u);
        m_dev.Close();
        DestroyDeviceList(list);
    }
    EXPECT_GT(SetupApiCounts::loads, 0);
    EXPECT_EQ(SetupApiCounts::frees, SetupApiCounts::loads);
}

}  // namespace
