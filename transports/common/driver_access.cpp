// The system's driver access and the stand-in's: device handles of the stand-in are its data pipes,
// each with a control-pipe connection that carries the handle's device control requests.
#include "driver_access.h"

#include "standin_link.h"

#include <setupapi.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace standin {
namespace {

// ---- the system ----

HMODULE SystemLoadSetupApi() { return LoadLibraryA("SETUPAPI.DLL"); }
FARPROC SystemSetupApiProc(HMODULE module, const char* name) { return GetProcAddress(module, name); }
void SystemFreeSetupApi(HMODULE module) { FreeLibrary(module); }

HANDLE SystemOpenDevice(const char* path, DWORD access, DWORD share, DWORD creation, DWORD flags)
{
    return CreateFileA(path, access, share, nullptr, creation, flags, nullptr);
}

BOOL SystemIoControl(HANDLE device, DWORD code, void* in, DWORD inLength, void* out, DWORD outLength,
                     DWORD* returned, OVERLAPPED* overlapped)
{
    return DeviceIoControl(device, code, in, inLength, out, outLength, returned, overlapped);
}

BOOL SystemCloseDevice(HANDLE device) { return CloseHandle(device); }

// ---- the stand-in ----

// Each open handle's control connection, by the data pipe handle the caller holds; and the handles
// the caller closed. Those stay open here, so the system never gives their values to later opens:
// whatever still uses one reaches the stand-in's closed handle, which counts it, never a newer
// handle that happens to have the same value.
struct OpenHandles {
    std::mutex lock;
    std::map<HANDLE, std::shared_ptr<StandinLink>> links;
    std::set<HANDLE> closed;
};
OpenHandles& Handles()
{
    static OpenHandles handles;
    return handles;
}

std::shared_ptr<StandinLink> LinkOf(HANDLE device)
{
    OpenHandles& h = Handles();
    std::lock_guard<std::mutex> hold(h.lock);
    auto it = h.links.find(device);
    return it == h.links.end() ? nullptr : it->second;
}

HANDLE StandinOpenDevice(const char* path, DWORD access, DWORD share, DWORD creation, DWORD flags)
{
    auto link = std::make_shared<StandinLink>();
    if (!link->Connect(StandinNamespace())) {
        SetLastError(ERROR_FILE_NOT_FOUND);   // no stand-in: as a device that is not there
        return INVALID_HANDLE_VALUE;
    }
    Request request;
    request.operation = Operation::Open;
    request.text = path ? path : "";
    auto reply = link->Transact(request);
    if (!reply) return INVALID_HANDLE_VALUE;
    if (reply->status != 0) {
        SetLastError(reply->status);
        return INVALID_HANDLE_VALUE;
    }
    std::string dataPipe(reply->data.begin(), reply->data.end());
    HANDLE device = CreateFileA(dataPipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                flags & FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    OpenHandles& h = Handles();
    std::lock_guard<std::mutex> hold(h.lock);
    h.links[device] = std::move(link);
    return device;
}

BOOL StandinIoControl(HANDLE device, DWORD code, void* in, DWORD inLength, void* out, DWORD outLength,
                      DWORD* returned, OVERLAPPED* overlapped)
{
    std::shared_ptr<StandinLink> link = LinkOf(device);
    if (!link) {
        // A request to a handle that is closed, or never was: the stand-in counts them for the tests.
        StandinCommand(StandinNamespace(), "STALE");
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Request request;
    request.operation = Operation::Control;
    request.code = code;
    request.outCapacity = out ? outLength : 0;
    if (in && inLength) request.input.assign(static_cast<uint8_t*>(in), static_cast<uint8_t*>(in) + inLength);
    auto reply = link->Transact(request);
    if (!reply) {
        // The control connection broke: the stand-in removed the device or ended.
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    DWORD count = static_cast<DWORD>(reply->data.size());
    if (count > request.outCapacity) count = request.outCapacity;
    if (count) memcpy(out, reply->data.data(), count);
    if (returned) *returned = count;
    if (overlapped) {
        // Completed at once, as a driver may; the caller sees TRUE and the result in the record.
        overlapped->Internal = reply->status;
        overlapped->InternalHigh = count;
    }
    if (reply->status != 0) {
        SetLastError(reply->status);
        return FALSE;
    }
    return TRUE;
}

BOOL StandinCloseDevice(HANDLE device)
{
    OpenHandles& h = Handles();
    {
        std::lock_guard<std::mutex> hold(h.lock);
        // Ending the control connection closes the handle for the stand-in; its value is kept.
        if (h.links.erase(device)) {
            h.closed.insert(device);
            return TRUE;
        }
        if (h.closed.count(device) == 0)
            return CloseHandle(device);   // not one of the stand-in's
    }
    StandinCommand(StandinNamespace(), "STALE");   // closed twice
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

// The device list the stand-in's SetupAPI gives: the interface paths present when it was made.
constexpr uint32_t kListMagic = 0x4C445853;   // "SXDL"
struct StandinDeviceList {
    uint32_t magic = kListMagic;
    GUID interfaceClass{};
    std::vector<std::string> paths;
};

StandinDeviceList* ListOf(HDEVINFO list)
{
    auto* l = static_cast<StandinDeviceList*>(list);
    return (l && list != INVALID_HANDLE_VALUE && l->magic == kListMagic) ? l : nullptr;
}

std::string GuidText(const GUID& g)
{
    char text[40];
    snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
             g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

HDEVINFO WINAPI StandinGetClassDevs(const GUID* interfaceClass, PCSTR, HWND, DWORD flags)
{
    if (!interfaceClass || !(flags & DIGCF_DEVICEINTERFACE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    StandinLink link;
    if (!link.Connect(StandinNamespace())) return INVALID_HANDLE_VALUE;
    Request request;
    request.operation = Operation::List;
    request.text = GuidText(*interfaceClass);
    auto reply = link.Transact(request);
    if (!reply) return INVALID_HANDLE_VALUE;
    if (reply->status != 0) {
        SetLastError(reply->status);
        return INVALID_HANDLE_VALUE;
    }
    auto* list = new StandinDeviceList;
    list->interfaceClass = *interfaceClass;
    list->paths = SplitPaths(reply->data);
    return list;
}

BOOL WINAPI StandinEnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA, const GUID* interfaceClass, DWORD index,
                                        PSP_DEVICE_INTERFACE_DATA data)
{
    StandinDeviceList* l = ListOf(list);
    if (!l || !interfaceClass || !data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(l ? ERROR_INVALID_USER_BUFFER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!IsEqualGUID(*interfaceClass, l->interfaceClass) || index >= l->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->InterfaceClassGuid = l->interfaceClass;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = index;
    return TRUE;
}

BOOL WINAPI StandinGetInterfaceDetail(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA data,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size, PDWORD required,
                                      PSP_DEVINFO_DATA)
{
    StandinDeviceList* l = ListOf(list);
    if (!l || !data || data->Reserved >= l->paths.size()) {
        SetLastError(l ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::string& path = l->paths[data->Reserved];
    DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    if (required) *required = needed;
    if (!detail || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL WINAPI StandinDestroyDeviceInfoList(HDEVINFO list)
{
    StandinDeviceList* l = ListOf(list);
    if (!l) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    l->magic = 0;
    delete l;
    return TRUE;
}

// Any address in this module stands for the stand-in's SetupAPI "library".
HMODULE StandinLoadSetupApi()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&StandinLoadSetupApi), &self);
    return self;
}

FARPROC StandinSetupApiProc(HMODULE, const char* name)
{
    struct Entry {
        const char* name;
        FARPROC proc;
    };
    static const Entry entries[] = {
        {"SetupDiGetClassDevsA", reinterpret_cast<FARPROC>(&StandinGetClassDevs)},
        {"SetupDiEnumDeviceInterfaces", reinterpret_cast<FARPROC>(&StandinEnumDeviceInterfaces)},
        {"SetupDiGetDeviceInterfaceDetailA", reinterpret_cast<FARPROC>(&StandinGetInterfaceDetail)},
        {"SetupDiDestroyDeviceInfoList", reinterpret_cast<FARPROC>(&StandinDestroyDeviceInfoList)},
    };
    for (const Entry& e : entries)
        if (strcmp(e.name, name) == 0) return e.proc;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

void StandinFreeSetupApi(HMODULE) {}

const DriverAccess* g_override = nullptr;

}  // namespace

const DriverAccess& SystemDriverAccess()
{
    static const DriverAccess table = {SystemLoadSetupApi, SystemSetupApiProc, SystemFreeSetupApi,
                                       SystemOpenDevice,   SystemIoControl,    SystemCloseDevice};
    return table;
}

const DriverAccess& StandinDriverAccess()
{
    static const DriverAccess table = {StandinLoadSetupApi, StandinSetupApiProc, StandinFreeSetupApi,
                                       StandinOpenDevice,   StandinIoControl,    StandinCloseDevice};
    return table;
}

const DriverAccess& Driver()
{
    if (g_override) return *g_override;
    static const DriverAccess& chosen = StandinNamespace().empty() ? SystemDriverAccess() : StandinDriverAccess();
    return chosen;
}

void SetDriverAccess(const DriverAccess* table) { g_override = table; }

}  // namespace standin
