// The stand-in's parallel port handles: control requests, the calling process's memory for the
// maker's drivers, and the data pipe of the system port driver's handles.
#include "parallel_port_device.h"

#include <cctype>
#include <thread>

namespace standin {
namespace {

constexpr DWORD kClientWaitMs = 5000;   // the data pipe's client connects right after the open
constexpr DWORD kPollMs = 20;           // a stalled port looks at the printer's lines this often

// One overlapped read or write on the data pipe that also ends when stop is set.
bool PipeTransfer(HANDLE pipe, HANDLE stop, bool write, void* buffer, DWORD size, DWORD& done)
{
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!ov.hEvent) return false;
    done = 0;
    BOOL started = write ? WriteFile(pipe, buffer, size, nullptr, &ov) : ReadFile(pipe, buffer, size, nullptr, &ov);
    bool ok = false;
    if (started || GetLastError() == ERROR_IO_PENDING) {
        HANDLE waits[2] = {ov.hEvent, stop};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) CancelIoEx(pipe, &ov);
        ok = GetOverlappedResult(pipe, &ov, &done, TRUE) && done > 0;
    }
    CloseHandle(ov.hEvent);
    return ok;
}

}  // namespace

class ParallelPortDevice::Handle : public DeviceHandle, public ParallelHost {
public:
    Handle(ParallelPortDevice& device, ParallelDriver driver)
        : m_device(device), m_driver(driver), m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_clientKnown(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        m_device.m_model.HandleOpened();
    }
    ~Handle() override
    {
        m_device.m_model.HandleClosed();
        if (m_client) CloseHandle(m_client);
        CloseHandle(m_stop);
        CloseHandle(m_clientKnown);
    }

    Reply Control(uint32_t code, const Bytes& input, uint32_t outCapacity) override
    {
        return m_device.m_model.Control(m_driver, code, input, outCapacity, *this);
    }
    HANDLE StopEvent() const override { return m_stop; }
    bool CarriesData() const override { return m_driver == ParallelDriver::SystemPort; }

    void ServeData(PipeIo& pipe) override
    {
        // The process that opened the handle: the maker's drivers reach its buffers by address.
        ULONG processId = 0;
        if (GetNamedPipeClientProcessId(pipe.Pipe(), &processId))
            m_client = OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION | PROCESS_QUERY_INFORMATION,
                                   FALSE, processId);
        SetEvent(m_clientKnown);
        if (m_driver != ParallelDriver::SystemPort) {
            // Data moves by request only: the pipe just marks the handle's life.
            while (WaitForSingleObject(m_stop, 200) == WAIT_TIMEOUT && pipe.ClientPresent()) {
            }
            return;
        }
        std::thread toHost([this, &pipe] { CarryIn(pipe.Pipe()); });
        CarryOut(pipe.Pipe());
        SetEvent(m_stop);   // the client went away: the other direction ends too
        toHost.join();
    }

    // ParallelHost
    bool ReadCaller(uint32_t address, void* out, uint32_t length) override
    {
        SIZE_T done = 0;
        return WaitClient() && ReadProcessMemory(m_client, reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)), out,
                                                 length, &done) && done == length;
    }
    bool WriteCaller(uint32_t address, const void* data, uint32_t length) override
    {
        SIZE_T done = 0;
        return WaitClient() && WriteProcessMemory(m_client, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(address)),
                                                  data, length, &done) && done == length;
    }
    bool SendToPrinter(const uint8_t* data, size_t length) override
    {
        return m_device.m_bridge.Send(PrinterChannel::Main, data, length);
    }
    size_t TakeFromPrinter(uint8_t* out, size_t max) override
    {
        std::vector<uint8_t> bytes = m_device.m_bridge.PeekIncoming(PrinterChannel::Main, max);
        std::copy(bytes.begin(), bytes.end(), out);
        m_device.m_bridge.ConsumeIncoming(PrinterChannel::Main, bytes.size());
        return bytes.size();
    }

private:
    bool WaitClient() { return WaitForSingleObject(m_clientKnown, kClientWaitMs) == WAIT_OBJECT_0 && m_client; }
    bool Stopped() const { return WaitForSingleObject(m_stop, 0) == WAIT_OBJECT_0; }

    // Host to printer. While the printer cannot take data the port does not take it either, so
    // the host's write waits as it would on a real port.
    void CarryOut(HANDLE pipe)
    {
        std::vector<uint8_t> buffer(65536);
        for (;;) {
            if (!WaitUntilPrinterTakesData()) return;
            DWORD got = 0;
            if (!PipeTransfer(pipe, m_stop, false, buffer.data(), static_cast<DWORD>(buffer.size()), got)) return;
            // The lines may have changed while the read waited: the bytes wait in the port.
            if (!WaitUntilPrinterTakesData() || !SendToPrinter(buffer.data(), got)) return;
        }
    }

    bool WaitUntilPrinterTakesData()
    {
        while (!m_device.m_model.TakesData())
            if (WaitForSingleObject(m_stop, kPollMs) != WAIT_TIMEOUT) return false;
        return true;
    }

    // Printer to host: what the printer sends waits in the bridge until the pipe took it.
    void CarryIn(HANDLE pipe)
    {
        while (!Stopped()) {
            if (!m_device.m_bridge.WaitIncoming(PrinterChannel::Main, m_stop, 100)) continue;
            std::vector<uint8_t> bytes = m_device.m_bridge.PeekIncoming(PrinterChannel::Main, 16384);
            if (bytes.empty()) continue;
            DWORD done = 0;
            if (!PipeTransfer(pipe, m_stop, true, bytes.data(), static_cast<DWORD>(bytes.size()), done)) return;
            m_device.m_bridge.ConsumeIncoming(PrinterChannel::Main, done);
        }
    }

    ParallelPortDevice& m_device;
    ParallelDriver m_driver;
    HANDLE m_stop;
    HANDLE m_clientKnown;
    HANDLE m_client = nullptr;
};

ParallelPortDevice::ParallelPortDevice(PrinterBridge& bridge, unsigned port) : m_bridge(bridge), m_model(port) {}

std::vector<std::string> ParallelPortDevice::InterfacePaths(const std::string&) { return {}; }

bool ParallelPortDevice::Answers(const std::string& path) const { return m_model.DriverOfPath(path).has_value(); }

std::shared_ptr<DeviceHandle> ParallelPortDevice::Open(const std::string& path, uint32_t& status)
{
    auto driver = m_model.DriverOfPath(path);
    if (!driver) {
        status = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    status = 0;
    return std::make_shared<Handle>(*this, *driver);
}

std::optional<std::string> ParallelPortDevice::Command(const std::vector<std::string>& words)
{
    if (words.empty()) return std::nullopt;
    std::string first = words[0];
    for (char& c : first) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (first != "PARALLEL") return std::nullopt;
    return m_model.Command(std::vector<std::string>(words.begin() + 1, words.end()));
}

}  // namespace standin
