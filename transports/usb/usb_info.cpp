// CUsbInfo: opening a USB printer through the maker's driver, its status and its reports.
#include "usb_info.h"

#include "append_format.h"
#include "device_id_report.h"
#include "usb_descriptors.h"
#include "usb_error_text.h"

#include <cstdio>
#include <cstring>
#include <new>

using namespace usb_driver;
using usb_descriptors::ScanResult;

const GUID kUsbDriverInterfaceClass = {0x325DDF96, 0x938C, 0x11D3, {0x9E, 0x34, 0x00, 0x80, 0xC8, 0x27, 0x27, 0xF4}};

namespace {

constexpr int kCommErrorZeroPacket = 13;
constexpr int kCommErrorUnknownDescriptor = 14;
constexpr DWORD kDescriptorBufferSize = 2047;
constexpr DWORD kMaxTransferSize = 16384;
constexpr DWORD kClassFlags = 0x00010000;
constexpr BYTE kRequestDeviceId = 0;
constexpr BYTE kRequestPortStatus = 1;

ClassRequestRecord ClassRequest(BYTE request) { return ClassRequestRecord{kClassFlags, 1, 0, 0, request, 0, 0}; }

// The text of a string descriptor (UTF-16 after its two header bytes) in the ANSI code page.
void StringText(const BYTE* descriptor, DWORD length, char* out, int outSize)
{
    WCHAR wide[kDescriptorBufferSize / 2] = {};
    DWORD chars = length > 2 ? (length - 2) / 2 : 0;
    if (chars > kDescriptorBufferSize / 2 - 1) chars = kDescriptorBufferSize / 2 - 1;
    memcpy(wide, descriptor + 2, chars * sizeof(WCHAR));
    int written = WideCharToMultiByte(CP_ACP, 0, wide, -1, out, outSize, nullptr, nullptr);
    if (written == 0) out[0] = 0;
    out[outSize - 1] = 0;
}

}  // namespace

CUsbInfo::CUsbInfo(int isWinNT)
    : CCommInfo(isWinNT), m_pReaderBulkIn(nullptr), m_pReaderIntIn(nullptr), m_pWriter(nullptr),
      m_pWriterBulkOut(nullptr), m_pWriterIntOut(nullptr), m_hDevInfo(nullptr),
      m_InterfaceGuid(kUsbDriverInterfaceClass), m_nOutChannel(-1), m_nDeviceNumber(-1), m_bHasIntIn(0),
      m_bHasIntOut(1), m_bSingleWriter(1), m_bPrinterClass(0), m_bPipesSingleWriter(1)
{
    m_OverlappedRXUsm = OVERLAPPED{};
    m_nDownloadPacketSize = 16384;
    m_nStringPacketSize = 16384;
    m_nCommPacketSize = 4096;
    m_dwReadTimeout = 100;
    m_bBidirectional = 1;
    m_bAsyncRead = 1;
    CUsbInfo::Init();
}

CUsbInfo::~CUsbInfo()
{
    DeletePipes();
    DestroyDeviceList(m_hDevInfo);
}

CCommInfo* CUsbInfo::Destroy(unsigned flags)
{
    return DestroyCommInfo(this, flags);
}

int CUsbInfo::Init()
{
    m_hCommPortTX = nullptr;
    m_hCommPortRX = nullptr;
    m_hCommPortRXUsm = nullptr;
    m_bOpened = 0;
    return 1;
}

void CUsbInfo::CreatePipes()
{
    if (m_bSingleWriter) {
        m_pWriter = new (std::nothrow) CUsbDevWr;
    } else {
        m_pWriterBulkOut = new (std::nothrow) CUsbDevWr;
        m_pWriterIntOut = new (std::nothrow) CUsbDevWr;
    }
    m_pReaderBulkIn = new (std::nothrow) CUsbDevRd;
    m_pReaderIntIn = new (std::nothrow) CUsbDevRd;
    m_bPipesSingleWriter = m_bSingleWriter;
}

void CUsbInfo::DeletePipes()
{
    // In two-writer mode m_pWriter is one of the two writers.
    if (m_pWriter != m_pWriterBulkOut && m_pWriter != m_pWriterIntOut) delete m_pWriter;
    delete m_pWriterBulkOut;
    delete m_pWriterIntOut;
    delete m_pReaderBulkIn;
    delete m_pReaderIntIn;
    m_pWriter = m_pWriterBulkOut = m_pWriterIntOut = nullptr;
    m_pReaderBulkIn = m_pReaderIntIn = nullptr;
    // The handles the client holds copies of are closed now.
    m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
    m_OverlappedTX = m_OverlappedRX = m_OverlappedRXUsm = OVERLAPPED{};
}

void CUsbInfo::UseWriter(CUsbDevWr* writer)
{
    m_pWriter = writer;
    m_hCommPortTX = writer ? writer->GetHandle() : nullptr;
    m_OverlappedTX = writer ? writer->GetOverlapped() : OVERLAPPED{};
}

int CUsbInfo::CheckSettings(DWORD deviceNumber, int sizeIndex, int outChannel, int singleWriter, int, int, int)
{
    int device = static_cast<int>(deviceNumber);
    m_bSingleWriter = singleWriter;
    if (sizeIndex >= 0 && sizeIndex < kPacketSizeCount) m_nCommPacketSize = kPacketSizes[sizeIndex];
    int result = 0;
    if (singleWriter) {
        if (outChannel != m_nOutChannel) result = 1;
    } else if (outChannel != m_nOutChannel) {
        if (device != m_nDeviceNumber || m_bPipesSingleWriter) {
            result = 1;
        } else {
            // Both writers are bound: change the output channel without reopening.
            UseWriter(outChannel ? m_pWriterIntOut : m_pWriterBulkOut);
            m_nOutChannel = outChannel;
        }
    }
    if (device != m_nDeviceNumber) result = 1;
    // Pipes made for the other writer mode cannot serve this one.
    if ((m_pReaderBulkIn || m_pWriter) && m_bPipesSingleWriter != (singleWriter ? 1 : 0)) result = 1;
    // The device is asked only when its answer decides: a reader may be inside a request of it,
    // and the caller's stop of that reader must not wait behind it.
    if (result == 0 && !IsConnected()) result = 1;
    return result;
}

int CUsbInfo::Open(int restart, DWORD* deviceNumber, char*, int* outChannel, int* hasIntIn, int* hasIntOut, int*, int*)
{
    if (restart) {
        m_hCommPortRX = nullptr;
        m_hCommPortRXUsm = nullptr;
        Sleep(500);
        m_UsbDev.ResetDevice();
        m_UsbDev.Close();
    }
    DeletePipes();   // a first Open holds none
    CreatePipes();
    m_nOutChannel = *outChannel;
    m_nDeviceNumber = static_cast<int>(*deviceNumber);
    m_hCommPortRX = nullptr;

    int result = 1;
    if (!m_pReaderBulkIn || !m_pReaderIntIn || (m_bSingleWriter ? !m_pWriter : (!m_pWriterBulkOut || !m_pWriterIntOut))) {
        PostError(ERROR_NOT_ENOUGH_MEMORY);
        result = 0;
    } else {
        int count = 0;
        m_UsbDev.Close();   // reopened on the fresh list
        // The failing step's own status: the thread's last error is whatever ran last by then.
        DWORD failure = ERROR_GEN_FAILURE;
        if (!EnumerateDevices(&count, nullptr, 0, &failure) || !Connect(&failure)) {
            // Never a failure described as "The operation completed successfully".
            PostError(failure ? failure : ERROR_GEN_FAILURE);
            result = 0;
        }
    }
    m_bOpened = 1;
    *hasIntIn = m_bHasIntIn;
    *hasIntOut = m_bHasIntOut;
    *outChannel = m_nOutChannel;
    return result;
}

int CUsbInfo::Close()
{
    m_UsbDev.ResetDevice();
    m_UsbDev.Close();
    return 1;
}

int CUsbInfo::IsConnected()
{
    BYTE value = 0;
    return (m_UsbDev.GetConfiguration(&value) == 0 && value != 0) ? 1 : 0;
}

BOOL CUsbInfo::Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov)
{
    return WriteFile(h, data, length, written, ov);
}

BOOL CUsbInfo::Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov)
{
    return ReadFile(h, buffer, length, read, ov);
}

int CUsbInfo::RequestStatus(void*, DWORD, DWORD*, OVERLAPPED*) { return 1; }

int CUsbInfo::DecodeStatus(void*, DWORD, DWORD* status)
{
    if (m_bPrinterClass != 1) return 0;
    BYTE reply[256] = {};
    DWORD length = sizeof reply;
    DWORD result = m_UsbDev.ClassInRequest(reply, &length, ClassRequest(kRequestPortStatus));
    if (result != 0) {
        ReportError(result);
        return 0;
    }
    if (length == 0) return 0;   // no status byte came back: nothing to decode
    *status = usb_descriptors::DecodePortStatus(reply[0], *status);
    return 1;
}

int CUsbInfo::EnumDevices(int* hasIntIn, int* hasIntOut, const char*, int* count, PortRow* rows)
{
    const int capacity = *count > 0 ? *count : kClientPortRows;
    *count = 0;
    EnumerateDevices(count, rows, capacity);
    // The open device keeps its handle (a reader may be polling it); a closed one is opened to
    // learn its endpoints, and the result is not needed here.
    if (!m_UsbDev.IsOpen()) Connect();
    *hasIntIn = m_bHasIntIn;
    *hasIntOut = m_bHasIntOut;
    return 1;
}

int CUsbInfo::EnumerateDevices(int* count, PortRow* rows, int capacity, DWORD* failure)
{
    // Each device is asked through a handle of the listing's own: the one the reader polls stays.
    DestroyDeviceList(m_hDevInfo);
    m_hDevInfo = CreateDeviceList(&m_InterfaceGuid);
    if (!m_hDevInfo) {
        if (failure) *failure = GetLastError();
        return 0;
    }
    *count = 0;
    CUsbDev probe;
    for (int n = 0; probe.Open(n, m_hDevInfo, &m_InterfaceGuid) == 0; ++n) {
        BYTE device[18] = {};
        DWORD status = probe.GetDeviceDescriptor(device);
        char texts[3][256] = {};
        for (int i = 0; i < 3 && status == 0; ++i) {
            BYTE descriptor[kDescriptorBufferSize] = {};
            DWORD length = sizeof descriptor;
            status = probe.GetStringDescriptor(descriptor, &length, device[14 + i], 0);
            if (status == 0) StringText(descriptor, length, texts[i], sizeof texts[i]);
        }
        probe.Close();
        if (status != 0) {
            if (failure) *failure = status;
            ReportError(status);
            return 0;
        }
        if (rows) {
            // The caller's rows are all there is: the listing ends where they do.
            if (*count >= capacity) return 1;
            snprintf(rows[*count], kPortRowChars, "%s %s #%s", texts[0], texts[1], texts[2]);
        }
        ++*count;
    }
    return 1;
}

DWORD CUsbInfo::BindPipe(CUsbDevPipe* pipe, BYTE endpoint)
{
    return pipe->Bind(m_nDeviceNumber, endpoint, m_hDevInfo, &m_InterfaceGuid);
}

int CUsbInfo::Connect(DWORD* failure)
{
    auto fail = [&](DWORD status) {
        if (failure) *failure = status;
        ReportError(status);
        return 0;
    };
    DWORD status = m_UsbDev.Open(m_nDeviceNumber, m_hDevInfo, &m_InterfaceGuid);
    BYTE set[kDescriptorBufferSize] = {};
    DWORD length = sizeof set;
    if (status == 0) status = m_UsbDev.GetConfigurationDescriptor(set, &length, 0);
    if (status != 0) return fail(status);
    FindPrinterInterface(set, length);
    if (!MapEndpoints(set, length)) {
        // Not the driver's failure: the device lacks an endpoint (reported, when its descriptors are
        // empty or unknown, as their own communication error).
        if (failure) *failure = ERROR_GEN_FAILURE;
        return 0;
    }

    SetConfigurationRecord configuration{};
    configuration.configurationIndex = 0;
    configuration.interfaceCount = 1;
    configuration.interfaces[0] = InterfaceEntry{0, 0, kMaxTransferSize};
    status = m_UsbDev.SetConfiguration(configuration);
    if (status == 0) {
        if (m_bSingleWriter) {
            status = BindPipe(m_pWriter, m_pWriter->m_nEndpoint);
        } else {
            status = BindPipe(m_pWriterBulkOut, m_pWriterBulkOut->m_nEndpoint);
            if (status == 0) status = BindPipe(m_pWriterIntOut, m_pWriterIntOut->m_nEndpoint);
        }
    }
    if (status == 0) {
        UseWriter(m_pWriter);
        status = BindPipe(m_pReaderBulkIn, m_pReaderBulkIn->m_nEndpoint);
    }
    if (status == 0) {
        m_hCommPortRX = m_pReaderBulkIn->GetHandle();
        m_OverlappedRX = m_pReaderBulkIn->GetOverlapped();
        if (m_bHasIntIn == 1) {
            status = BindPipe(m_pReaderIntIn, m_pReaderIntIn->m_nEndpoint);
            if (status == 0) {
                m_hCommPortRXUsm = m_pReaderIntIn->GetHandle();
                m_OverlappedRXUsm = m_pReaderIntIn->GetOverlapped();
            }
        }
    }
    if (status != 0) return fail(status);
    return 1;
}

int CUsbInfo::FindPrinterInterface(const BYTE* set, DWORD length)
{
    ScanResult result = usb_descriptors::ScanPrinterInterface(set, length, m_bPrinterClass);
    if (result == ScanResult::Empty) PostNotify(kCommErrorZeroPacket, nullptr);
    if (result == ScanResult::UnknownType) PostNotify(kCommErrorUnknownDescriptor, nullptr);
    return result == ScanResult::Ok ? 1 : 0;
}

int CUsbInfo::MapEndpoints(const BYTE* set, DWORD length)
{
    usb_descriptors::Endpoints endpoints;
    ScanResult result = usb_descriptors::ScanEndpoints(set, length, endpoints);
    if (result == ScanResult::Empty) {
        PostNotify(kCommErrorZeroPacket, nullptr);
        return 0;
    }
    if (result == ScanResult::UnknownType) {
        PostNotify(kCommErrorUnknownDescriptor, nullptr);
        return 0;
    }
    m_bHasIntIn = endpoints.interruptIn ? 1 : 0;
    m_bHasIntOut = endpoints.interruptOut ? 1 : 0;
    if (!m_bHasIntOut) m_nOutChannel = 0;
    m_pReaderBulkIn->m_nEndpoint = endpoints.bulkIn;
    m_pReaderIntIn->m_nEndpoint = endpoints.interruptIn;
    if (m_bSingleWriter) {
        m_pWriter->m_nEndpoint = m_nOutChannel ? endpoints.interruptOut : endpoints.bulkOut;
        return (endpoints.bulkIn && m_pWriter->m_nEndpoint) ? 1 : 0;
    }
    m_pWriterBulkOut->m_nEndpoint = endpoints.bulkOut;
    m_pWriterIntOut->m_nEndpoint = endpoints.interruptOut;
    m_pWriter = m_nOutChannel ? m_pWriterIntOut : m_pWriterBulkOut;
    return (endpoints.bulkIn && endpoints.bulkOut && endpoints.interruptOut) ? 1 : 0;
}

int CUsbInfo::DumpDescriptors(char* text, size_t capacity, const BYTE* set, DWORD length)
{
    return usb_descriptors::DumpDescriptors(text, capacity, set, length);
}

void CUsbInfo::ReportError(DWORD status)
{
    if (status == 0) return;
    // A control request the driver kept after its cancel: the device handle is gone.
    if (m_UsbDev.TakeHandleLost()) PostError(ERROR_TIMEOUT);
    char text[256];
    GetErrorText(text, sizeof text, status);   // formed as the driver library's users expect; shown nowhere
}

int CUsbInfo::GetProperties(char* text)
{
    if (!text) return 0;
    const size_t capacity = kPropertiesChars;
    AppendFormat(text, capacity, "*************************************************\r\n");
    AppendFormat(text, capacity, "*            USB DEVICE PROPERTIES              *\r\n");
    AppendFormat(text, capacity, "*************************************************\r\n\r\n");

    BYTE device[18] = {};
    DWORD status = m_UsbDev.GetDeviceDescriptor(device);
    if (status != 0) {
        ReportError(status);
        return 0;
    }
    DumpDescriptors(text, capacity, device, sizeof device);

    BYTE buffer[kDescriptorBufferSize] = {};
    DWORD length = sizeof buffer;
    status = m_UsbDev.GetConfigurationDescriptor(buffer, &length, 0);
    if (status != 0) {
        ReportError(status);
        return 0;
    }
    DumpDescriptors(text, capacity, buffer, length);

    struct StringEntry {
        BYTE index;
        const char* title;
    };
    const StringEntry strings[] = {
        {device[14], "************ MANUFACTURER ***********************\r\n"},
        {device[15], "************ PRODUCT ****************************\r\n"},
        {device[16], "************ SERIAL NUMBER **********************\r\n"},
    };
    for (const StringEntry& entry : strings) {
        if (entry.index == 0) continue;
        length = sizeof buffer;
        status = m_UsbDev.GetStringDescriptor(buffer, &length, entry.index, 0);
        if (status != 0) {
            ReportError(status);
            return 0;
        }
        AppendFormat(text, capacity, "%s", entry.title);
        DumpDescriptors(text, capacity, buffer, length);
    }

    length = sizeof buffer;
    status = m_UsbDev.GetStringDescriptor(buffer, &length, 0, 0);
    if (status == 0) {
        AppendFormat(text, capacity, "************ LANGUAGE ID ************************\r\n");
        DumpDescriptors(text, capacity, buffer, length);
    } else if (status != kStatusStall) {
        ReportError(status);
        return 0;
    }

    if (m_bPrinterClass == 1) {
        AppendFormat(text, capacity, "************ IEEE1284 DEVICE STRING **********************\r\n");
        length = sizeof buffer;
        status = m_UsbDev.ClassInRequest(buffer, &length, ClassRequest(kRequestDeviceId));
        if (status != 0) {
            AppendFormat(text, capacity, "ERROR");
            ReportError(status);
            return 0;
        }
        AppendDeviceIdReport(text, capacity, buffer, length);
    }
    return 1;
}
