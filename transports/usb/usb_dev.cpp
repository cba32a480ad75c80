// CUsbDev and the device list of the USB driver's interface class.
#include "usb_dev.h"

#include "driver_access.h"
#include "overlapped_request.h"

#include <cstdio>
#include <cstring>
#include <new>

using standin::Driver;
using namespace usb_driver;

namespace {

typedef HDEVINFO(WINAPI* PFN_GetClassDevs)(const GUID*, PCSTR, HWND, DWORD);
typedef BOOL(WINAPI* PFN_EnumInterfaces)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA);
typedef BOOL(WINAPI* PFN_InterfaceDetail)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD,
                                          PDWORD, PSP_DEVINFO_DATA);
typedef BOOL(WINAPI* PFN_DestroyList)(HDEVINFO);

// SETUPAPI.DLL while a function of it is in use.
class SetupApi {
public:
    SetupApi() : m_module(Driver().LoadSetupApi()) {}
    ~SetupApi()
    {
        if (m_module) Driver().FreeSetupApi(m_module);
    }
    SetupApi(const SetupApi&) = delete;
    SetupApi& operator=(const SetupApi&) = delete;
    explicit operator bool() const { return m_module != nullptr; }
    template <typename F> F Proc(const char* name) const
    {
        return m_module ? reinterpret_cast<F>(Driver().SetupApiProc(m_module, name)) : nullptr;
    }
    // Lets go of the reference CreateDeviceList took for a list (the same module).
    void ReleaseListReference() const
    {
        if (m_module) Driver().FreeSetupApi(m_module);
    }

private:
    HMODULE m_module;
};

// The lock of a CUsbDev for one call.
class Hold {
public:
    explicit Hold(CRITICAL_SECTION& lock) : m_lock(lock) { EnterCriticalSection(&m_lock); }
    ~Hold() { LeaveCriticalSection(&m_lock); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    CRITICAL_SECTION& m_lock;
};

}  // namespace

CUsbDev::CUsbDev() : m_hDevice(nullptr), m_Overlapped{}, m_pDetail(nullptr)
{
    InitializeCriticalSection(&m_Lock);
}

CUsbDev::~CUsbDev()
{
    Close();
    DeleteCriticalSection(&m_Lock);
}

DWORD CUsbDev::Open(int deviceNumber, HDEVINFO list, const GUID* interfaceClass)
{
    Hold hold(m_Lock);
    SetupApi setupApi;
    auto enumInterfaces = setupApi.Proc<PFN_EnumInterfaces>("SetupDiEnumDeviceInterfaces");
    auto interfaceDetail = setupApi.Proc<PFN_InterfaceDetail>("SetupDiGetDeviceInterfaceDetailA");
    if (!enumInterfaces || !interfaceDetail) return kStatusFailed;
    if (IsOpen()) return 0;

    char name[64];
    const char* path = name;
    if (!list) {
        snprintf(name, sizeof name, "\\\\.\\VELUSB_Device%d", deviceNumber);
    } else {
        if (!interfaceClass) return kStatusInvalidParameter;
        delete[] m_pDetail;
        m_pDetail = nullptr;
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!enumInterfaces(list, nullptr, interfaceClass, static_cast<DWORD>(deviceNumber), &data)) {
            DWORD error = GetLastError();
            return error == ERROR_NO_MORE_ITEMS ? kStatusNoSuchInstance : error;
        }
        DWORD size = 0;
        interfaceDetail(list, &data, nullptr, 0, &size, nullptr);
        // A size that cannot hold the header means the first call failed for another reason.
        if (size <= offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)) {
            DWORD error = GetLastError();
            return error ? error : kStatusFailed;
        }
        m_pDetail = new (std::nothrow) BYTE[size]();
        if (!m_pDetail) return kStatusNoMemory;
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(m_pDetail);
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!interfaceDetail(list, &data, detail, size, nullptr, nullptr)) return GetLastError();
        m_pDetail[size - 1] = 0;
        path = detail->DevicePath;
    }

    m_hDevice = Driver().OpenDevice(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED);
    if (m_hDevice == INVALID_HANDLE_VALUE || m_hDevice == nullptr) {
        m_hDevice = nullptr;
        return kStatusNotFound;
    }
    m_Overlapped = OVERLAPPED{};
    m_Overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!m_Overlapped.hEvent) {
        Close();
        return kStatusNoMemory;
    }
    DriverInfo info{};
    DWORD status = GetDriverInfo(&info);
    if (status != 0) {
        Close();
        return status;
    }
    if (info.interfaceVersion != kInterfaceVersion) {
        Close();
        return kStatusVersionMismatch;
    }
    return 0;
}

void CUsbDev::Close()
{
    Hold hold(m_Lock);
    if (m_hDevice) Driver().CloseDevice(m_hDevice);
    m_hDevice = nullptr;
    if (m_Overlapped.hEvent) CloseHandle(m_Overlapped.hEvent);
    m_Overlapped = OVERLAPPED{};
    delete[] m_pDetail;
    m_pDetail = nullptr;
}

DWORD CUsbDev::IoControl(DWORD code, void* in, DWORD inLength, void* out, DWORD outLength, DWORD* returned)
{
    Hold hold(m_Lock);
    if (!IsOpen()) return kStatusNotOpen;
    // What the request writes into is its own: one that the driver never gives back keeps it.
    auto* request = new (std::nothrow) OwnedRequest(out ? outLength : 0);
    if (!request || !request->record.hEvent) {
        delete request;
        return kStatusNoMemory;
    }
    DWORD count = 0;
    DWORD status = 0;
    BYTE* reply = request->reply.empty() ? nullptr : request->reply.data();
    if (!Driver().IoControl(m_hDevice, code, in, inLength, reply, out ? outLength : 0, &count, &request->record)) {
        status = GetLastError();
        if (status == ERROR_IO_PENDING) {
            const RequestEnd end = EndRequest(m_hDevice, &request->record, kControlWaitMs);
            if (end.kept) {
                // The driver kept the request: it keeps its block (never freed), and the handle
                // is given up rather than used again.
                Driver().CloseDevice(m_hDevice);
                m_hDevice = nullptr;
                m_bHandleLost = true;
                return kStatusTimeout;
            }
            count = end.done;
            status = end.succeeded ? 0 : end.error;
        }
    }
    if (count > request->reply.size()) count = static_cast<DWORD>(request->reply.size());
    if (count) memcpy(out, request->reply.data(), count);
    delete request;
    if (returned) *returned = count;
    return status;
}

bool CUsbDev::TakeHandleLost()
{
    Hold hold(m_Lock);
    const bool lost = m_bHandleLost;
    m_bHandleLost = false;
    return lost;
}

DWORD CUsbDev::GetDescriptor(void* buffer, DWORD* length, DWORD recipient, BYTE type, BYTE index, WORD language)
{
    GetDescriptorRecord record{recipient, type, index, language};
    return IoControl(kGetDescriptor, &record, sizeof record, buffer, *length, length);
}

DWORD CUsbDev::GetDeviceDescriptor(void* buffer)
{
    DWORD length = 18;
    return GetDescriptor(buffer, &length, 0, 1, 0, 0);
}

DWORD CUsbDev::GetConfigurationDescriptor(void* buffer, DWORD* length, BYTE index)
{
    return GetDescriptor(buffer, length, 0, 2, index, 0);
}

DWORD CUsbDev::GetStringDescriptor(void* buffer, DWORD* length, BYTE index, WORD language)
{
    return GetDescriptor(buffer, length, 0, 3, index, language);
}

DWORD CUsbDev::GetConfiguration(BYTE* value)
{
    return IoControl(kGetConfiguration, nullptr, 0, value, 1, nullptr);
}

DWORD CUsbDev::SetConfiguration(const SetConfigurationRecord& record)
{
    SetConfigurationRecord copy = record;
    return IoControl(kSetConfiguration, &copy, sizeof copy, nullptr, 0, nullptr);
}

DWORD CUsbDev::ClassInRequest(void* buffer, DWORD* length, const ClassRequestRecord& record)
{
    ClassRequestRecord copy = record;
    return IoControl(kClassInRequest, &copy, sizeof copy, buffer, *length, length);
}

DWORD CUsbDev::ResetDevice() { return IoControl(kResetDevice, nullptr, 0, nullptr, 0, nullptr); }

DWORD CUsbDev::GetDriverInfo(DriverInfo* info)
{
    return IoControl(kGetDriverInfo, nullptr, 0, info, sizeof *info, nullptr);
}

HDEVINFO CreateDeviceList(const GUID* interfaceClass)
{
    // The library stays loaded while the list lives: DestroyDeviceList lets this reference go.
    HMODULE module = Driver().LoadSetupApi();
    if (!module) return nullptr;
    auto getClassDevs = reinterpret_cast<PFN_GetClassDevs>(Driver().SetupApiProc(module, "SetupDiGetClassDevsA"));
    HDEVINFO list = getClassDevs ? getClassDevs(interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)
                                 : INVALID_HANDLE_VALUE;
    if (list == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        Driver().FreeSetupApi(module);
        SetLastError(error);
        return nullptr;
    }
    return list;
}

void DestroyDeviceList(HDEVINFO list)
{
    if (!list) return;
    SetupApi setupApi;
    auto destroy = setupApi.Proc<PFN_DestroyList>("SetupDiDestroyDeviceInfoList");
    if (destroy) destroy(list);
    setupApi.ReleaseListReference();
}
