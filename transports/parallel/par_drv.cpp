// The maker's parallel-port drivers: the service of the NT kernel driver, the open of either driver
// and its private requests. Devices are opened and driven through the driver-access seam.
#include "par_drv.h"
#include "driver_access.h"
#include "parallel_codes.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kServiceName[] = "Orlith";
constexpr char kNtDeviceName[] = "\\\\.\\Orlithx";  // the last character becomes the port digit
constexpr char k9xDeviceName[] = "\\\\.\\VEL1284.VXD";

#pragma pack(push, 1)
struct ValueReply {
    uint16_t status;
    uint16_t reserved;
    uint32_t value;
};
struct AddressInput {
    uint32_t address;
    uint32_t length;
};
#pragma pack(pop)
static_assert(sizeof(ValueReply) == 8 && sizeof(AddressInput) == 8, "the drivers' records");

// The driver takes 32-bit addresses: the library is a 32-bit one.
uint32_t AddressOf(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

HMODULE ThisModule()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &self);
    return self;
}

}  // namespace

CParDrv::CParDrv(const DriverServices& services)
    : m_szDriverPath{}, m_szServiceName{}, m_hDevice(INVALID_HANDLE_VALUE), m_bNtDriver(0), m_dwModeRegister(0),
      m_bModeFlag(0), m_nPortNumber(0), m_pServices(&services)
{
    std::snprintf(m_szServiceName, sizeof m_szServiceName, "%s", kServiceName);
}

// The transport closes the driver before it deletes the object.
CParDrv::~CParDrv() = default;

int CParDrv::OpenDriver(int ntDriver, uint16_t port, int overlapped)
{
    m_bNtDriver = ntDriver;
    char name[32];
    if (ntDriver) {
        // The device decides: a service step that fails is not reported.
        if (SC_HANDLE manager = m_pServices->OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
            BuildDriverPath(ThisModule());
            if (IsServiceStopped(manager)) {
                StartDriverService(manager);
            } else if (IsServiceRunning(manager)) {
                StopDriverService(manager);
                StartDriverService(manager);
            } else if (InstallDriverService(manager)) {
                StartDriverService(manager);
            }
            m_pServices->CloseServiceHandle(manager);
        }
        std::memcpy(name, kNtDeviceName, sizeof kNtDeviceName);
        name[sizeof kNtDeviceName - 2] = static_cast<char>('0' + port);
    } else {
        static_assert(sizeof k9xDeviceName <= sizeof name);
        std::memcpy(name, k9xDeviceName, sizeof k9xDeviceName);
    }
    m_hDevice = standin::Driver().OpenDevice(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                             overlapped ? FILE_FLAG_OVERLAPPED : 0);
    return m_hDevice != INVALID_HANDLE_VALUE;
}

int CParDrv::InitPort(int ntDriver)
{
    if (!OpenDriver(ntDriver, m_nPortNumber, 1)) return 0;
    // What the driver makes of these is its own; an open driver is all the caller needs to know.
    SetTimeouts(2000, 2000);
    m_dwModeRegister = 0;
    QueryValue(0);
    m_dwModeRegister &= ~0x7Fu;
    if (m_bModeFlag) m_dwModeRegister |= 1u;
    SetPortMode(m_dwModeRegister);
    SelectPort(m_nPortNumber, 1);
    PlainRequest(kParInitLast);
    return 1;
}

int CParDrv::ShutdownPort()
{
    PlainRequest(kParShutdownFirst);
    PlainRequest(kParShutdownSecond);
    return CloseDriver();
}

int CParDrv::CloseDriver()
{
    if (!IsOpen()) return 1;
    int closed = standin::Driver().CloseDevice(m_hDevice) ? 1 : 0;
    m_hDevice = INVALID_HANDLE_VALUE;
    return closed;
}

int CParDrv::Transact(uint32_t request, const void* input, DWORD inputLength, void* reply, DWORD replySize,
                      bool acceptPartial)
{
    // A driver that is not open is not asked: the handle would not be a device's.
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    DWORD returned = 0;
    if (!standin::Driver().IoControl(m_hDevice, ParDriverCode(request, m_bNtDriver != 0), const_cast<void*>(input),
                                     inputLength, reply, replySize, &returned, nullptr))
        return 0;
    // A failed request always leaves its own error: the caller reports it, and must not take a
    // stale one (a pending write's, say) for the cause.
    if (returned != replySize) {
        SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    uint16_t status;
    std::memcpy(&status, reply, sizeof status);
    if (status == kParStatusOk || (acceptPartial && status == kParStatusPartialRead)) return 1;
    SetLastError(ERROR_GEN_FAILURE);   // the driver refused the request; its status is its own
    return 0;
}

int CParDrv::TransactValue(uint32_t request, const void* input, DWORD inputLength, uint32_t* value,
                           bool acceptPartial)
{
    ValueReply reply{};
    if (!Transact(request, input, inputLength, &reply, sizeof reply, acceptPartial)) return 0;
    if (value) *value = reply.value;
    return 1;
}

int CParDrv::TransferRequest(uint32_t request, const void* buffer, DWORD length, DWORD* count, bool acceptPartial)
{
    AddressInput input = {AddressOf(buffer), length};
    uint32_t done = 0;
    if (!TransactValue(request, &input, sizeof input, &done, acceptPartial)) return 0;
    // A driver never did more than it was given room for.
    if (count) *count = done > length ? length : done;
    return 1;
}

int CParDrv::WriteData(const void* data, DWORD length, DWORD* count)
{
    return TransferRequest(kParWriteData, data, length, count, false);
}

int CParDrv::ReadData(void* buffer, DWORD length, DWORD* count)
{
    return TransferRequest(kParReadData, buffer, length, count, true);
}

int CParDrv::ReadDeviceId(void* buffer, DWORD length, DWORD* count)
{
    return TransferRequest(kParReadDeviceId, buffer, length, count, true);
}

int CParDrv::GetCapabilities(uint32_t* capabilities)
{
    return TransactValue(kParGetCapabilities, nullptr, 0, capabilities, false);
}

int CParDrv::SetPortMode(uint32_t mode)
{
    uint16_t status = 0;
    return Transact(kParSetPortMode, &mode, sizeof mode, &status, sizeof status);
}

int CParDrv::SetTimeouts(uint32_t first, uint32_t second)
{
    const uint32_t input[2] = {first, second};
    uint16_t status = 0;
    return Transact(kParSetTimeouts, input, sizeof input, &status, sizeof status);
}

int CParDrv::SelectPort(uint16_t port, uint16_t select)
{
    const uint16_t input[2] = {port, select};
    uint16_t status = 0;
    return Transact(kParSelectPort, input, sizeof input, &status, sizeof status);
}

int CParDrv::QueryValue(uint32_t value)
{
    return TransactValue(kParQueryValue, &value, sizeof value, nullptr, false);
}

int CParDrv::PlainRequest(uint32_t request)
{
    uint16_t status = 0;
    return Transact(request, nullptr, 0, &status, sizeof status);
}

int CParDrv::ServiceIsIn(SC_HANDLE manager, DWORD state)
{
    SC_HANDLE service = m_pServices->OpenServiceA(manager, m_szServiceName, SERVICE_QUERY_STATUS);
    if (!service) return 0;
    SERVICE_STATUS status{};
    int in = m_pServices->QueryServiceStatus(service, &status) && status.dwCurrentState == state;
    m_pServices->CloseServiceHandle(service);
    return in;
}

int CParDrv::IsServiceRunning(SC_HANDLE manager) { return ServiceIsIn(manager, SERVICE_RUNNING); }
int CParDrv::IsServiceStopped(SC_HANDLE manager) { return ServiceIsIn(manager, SERVICE_STOPPED); }

int CParDrv::StartDriverService(SC_HANDLE manager)
{
    SC_HANDLE service = m_pServices->OpenServiceA(manager, m_szServiceName, SERVICE_START);
    if (!service) return 0;
    int started = m_pServices->StartServiceA(service, 0, nullptr) ? 1 : 0;
    m_pServices->CloseServiceHandle(service);
    return started;
}

int CParDrv::StopDriverService(SC_HANDLE manager)
{
    SC_HANDLE service = m_pServices->OpenServiceA(manager, m_szServiceName, SERVICE_STOP);
    if (!service) return 0;
    SERVICE_STATUS status{};
    int stopped = m_pServices->ControlService(service, SERVICE_CONTROL_STOP, &status) ? 1 : 0;
    m_pServices->CloseServiceHandle(service);
    return stopped;
}

int CParDrv::DeleteDriverService(SC_HANDLE manager)
{
    SC_HANDLE service = m_pServices->OpenServiceA(manager, m_szServiceName, SERVICE_ALL_ACCESS);
    if (!service) return 0;
    int deleted = m_pServices->DeleteService(service) ? 1 : 0;
    m_pServices->CloseServiceHandle(service);
    return deleted;
}

int CParDrv::InstallDriverService(SC_HANDLE manager)
{
    auto create = [&] {
        return m_pServices->CreateServiceA(manager, m_szServiceName, m_szServiceName, SERVICE_ALL_ACCESS,
                                           SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                           m_szDriverPath, nullptr, nullptr, nullptr, nullptr, nullptr);
    };
    SC_HANDLE service = create();
    if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
        // A service of that name in a state the open cannot use: make it anew.
        StopDriverService(manager);
        DeleteDriverService(manager);
        service = create();
    }
    if (!service) return 0;
    m_pServices->CloseServiceHandle(service);
    return 1;
}

void CParDrv::BuildDriverPath(HMODULE instance)
{
    std::snprintf(m_szServiceName, sizeof m_szServiceName, "%s", kServiceName);
    char module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(instance, module, sizeof module);
    if (length >= sizeof module) length = sizeof module - 1;
    module[length] = 0;
    char drive[_MAX_DRIVE] = {}, directory[_MAX_DIR] = {};
    _splitpath(module, drive, directory, nullptr, nullptr);
    std::snprintf(m_szDriverPath, sizeof m_szDriverPath, "%s%s%s.SYS", drive, directory, m_szServiceName);
}
