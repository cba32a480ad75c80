// Firmware download time of the engine over COM9 (the virtual printer's pty) against the printer-bound
// minimum for the same image in the same run: the same command stream written straight to the port,
// each acknowledgement awaited by spinning on the port, no pause. Prints both and their ratio.
//   firmware_bench.exe <printer control port> [sectors]
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "crc16.h"
#include "dorvane.h"
#include "flash_download.h"
#include "globals.h"
#include "my_file.h"
#include "transfer.h"
#include "vprinter_client.h"

namespace {

constexpr DWORD kPortId = 8;  // COM9
constexpr DWORD kReplyTimeoutMs = 20000;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Connect()
{
    if (!Comm_OpenSetup(nullptr, kDorvaneSerial, 1))
        return false;
    Comm_IsConnectionValid(kPortId, 3, 0, 0, 0, 3, 0);
    DWORD port = kPortId;
    char name[] = "COM9";
    int baud = 0, parity = 0, flow = 0, dataBits = 3, stopBits = 0;
    if (!Comm_UpdateConnection(0, port, name, baud, parity, flow, dataBits, stopBits))
        return false;
    Comm_SetConnect(Comm_IsPortAvailable());
    return true;
}

// The reference client: one write, awaited; then the reply, read at once in a spin.
bool Write(const void* data, DWORD size)
{
    DWORD written = 0;
    OVERLAPPED* record = Comm_GetOverlappedTX();
    if (!Comm_WritePort(Comm_GethCommPortTX(), data, size, &written, record)) {
        if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(Comm_GethCommPortTX(), record, &written, TRUE))
            return false;
    }
    return written == size;
}

bool Await(DWORD want)
{
    char buffer[16];
    DWORD got = 0;
    const DWORD start = GetTickCount();
    while (got < want) {
        DWORD n = 0;
        Comm_ReadPort(nullptr, buffer, want - got, &n, nullptr);
        got += n;
        if (GetTickCount() - start > kReplyTimeoutMs)
            return false;
    }
    return true;
}

bool MinimumPlain(const std::vector<char>& image)
{
    const unsigned packet = Comm_GetDownloadPacketSize();
    const unsigned char mode[] = {0x1B, 0x5B, 0x7D}, size[] = {0x1D, 0x01}, erase[] = {0x1D, 0x0E},
                        check[] = {0x1D, 0x06}, crc[] = {0x1D, 0x0F}, close[] = {0x1D, 0xFF};
    if (!Write(mode, 3) || !Write(size, 2) || !Await(1) || !Write(erase, 2) || !Await(1))
        return false;
    std::vector<unsigned char> command(6 + packet);
    for (size_t sector = 0; sector < image.size() / 65536; ++sector) {
        const unsigned char select[] = {0x1D, 0x02, static_cast<unsigned char>(sector)};
        if (!Write(select, 3) || !Await(1))
            return false;
        for (unsigned offset = 0; offset < 65536; offset += packet) {
            const std::array<std::uint8_t, 6> head =
                DataPacketCommand(static_cast<std::uint16_t>(offset), static_cast<std::uint16_t>(packet));
            std::copy(head.begin(), head.end(), command.begin());
            std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(sector * 65536 + offset), packet, command.begin() + 6);
            if (!Write(command.data(), static_cast<DWORD>(command.size())) || !Await(1))
                return false;
        }
    }
    return Write(check, 2) && Await(1) && Write(crc, 2) && Await(3) && Write(close, 2);
}

bool MinimumHeader(const std::vector<char>& image)
{
    const unsigned char handshake[] = {0x02, 0x53, 0x59, 0x03}, final[] = {0x02, 0x49, 0x4E, 0x03},
                        close[] = {0x1D, 0xFF};
    return Write(handshake, 4) && Await(5) && Write(image.data(), static_cast<DWORD>(image.size())) && Await(5) &&
           Write(final, 4) && Await(5) && Write(close, 2);
}

std::vector<char> Image(size_t size, bool header)
{
    std::vector<char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 31 + (i >> 12));
    if (header) {
        const unsigned char head[] = {0x02, 0x46, 0x44, 0x3B, 0x1F, static_cast<unsigned char>(size),
                                      static_cast<unsigned char>(size >> 8), static_cast<unsigned char>(size >> 16)};
        std::copy(std::begin(head), std::end(head), bytes.begin());
        const std::uint16_t crc = vprinter::Crc16(bytes.data() + 10, size - 10);
        bytes[8] = static_cast<char>(crc & 0xFF);
        bytes[9] = static_cast<char>(crc >> 8);
    }
    return bytes;
}

// The engine's download of image, as the flash worker runs it; seconds, or a negative on failure.
double EngineDownload(vprinter::VPrinterClient& printer, const std::vector<char>& image, int protocol)
{
    char dir[MAX_PATH], name[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "kxb", 0, name);
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, image.data(), static_cast<DWORD>(image.size()), &written, nullptr);
    CloseHandle(file);
    if (!g_SendFile.Open(CString(name), 0, 0, 0))
        return -1;
    g_RxBuffer.Reset();
    g_Transfer.StartReaders();
    CFlashDownload job;
    job.m_nProtocol = protocol;
    const double start = Now();
    job.RunDownload();
    const double seconds = Now() - start;
    g_Transfer.StopThreads();
    DeleteFileA(name);
    const std::string log = printer.Command("FW LOG");
    if (log.size() < 6 || log.compare(log.size() - 5, 5, "close") != 0 || log.find("unknown") != std::string::npos)
        return -1;
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: firmware_bench <printer control port> [sectors]\n");
        return 2;
    }
    const size_t sectors = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 16;
    vprinter::VPrinterClient printer;
    if (!printer.Connect("127.0.0.1", static_cast<unsigned short>(std::atoi(argv[1])))) {
        std::fprintf(stderr, "no virtual printer: %s\n", printer.LastError().c_str());
        return 1;
    }
    if (!Connect() || !CreateAbortEvent()) {
        std::fprintf(stderr, "cannot open COM9\n");
        return 1;
    }
    g_Transfer.SetParams(0, kPortId, 0, 0, 0, 0);
    // The engine's fixed waits: the silence that means "switched" and the pause before the closing command.
    const double fixedPlain = (kPollsSwitchMode + kClosePauseMs) / 1000.0;
    const double fixedHeader = kClosePauseMs / 1000.0;

    struct Run {
        const char* name;
        int protocol;
        double fixed;
        bool (*minimum)(const std::vector<char>&);
    };
    const Run runs[] = {{"plain", kFlashPlainProtocol, fixedPlain, MinimumPlain},
                        {"header", kFlashHeaderProtocol, fixedHeader, MinimumHeader}};
    for (const Run& run : runs) {
        const std::vector<char> image = Image(sectors * 65536, run.protocol == kFlashHeaderProtocol);
        printer.Ok("FW ON");
        const double engine = EngineDownload(printer, image, run.protocol);
        printer.Ok("FW ON");
        const double start = Now();
        const bool done = run.minimum(image);
        const double minimum = Now() - start;
        if (engine < 0 || !done) {
            std::fprintf(stderr, "%s download failed\n", run.name);
            return 1;
        }
        std::printf("%-6s %zu bytes: engine %.3f s (%.3f s without its fixed %.3f s of pauses), "
                    "printer-bound minimum %.3f s, ratio %.2f (%.2f without pauses)\n",
                    run.name, image.size(), engine, engine - run.fixed, run.fixed, minimum, engine / minimum,
                    (engine - run.fixed) / minimum);
    }
    g_Transfer.StopThreads();
    Comm_BreakDownCommPort();
    Comm_CloseCleanuo();
    return 0;
}
