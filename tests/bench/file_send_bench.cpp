// File-send throughput of the transfer engine over COM8 (the virtual printer's pty), against one
// plain overlapped write of the same bytes to the same port in the same run. Prints both and the ratio.
//   file_send_bench.exe <printer control port> [bytes]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dorvane.h"
#include "globals.h"
#include "my_file.h"
#include "transfer.h"
#include "vprinter_client.h"

namespace {

// Waits until the printer has recorded length bytes; false after a minute without them.
bool WaitForPrinter(vprinter::VPrinterClient& printer, uint64_t length)
{
    for (int i = 0; i < 6000; ++i) {
        auto received = printer.Received("main");
        if (received && received->length >= length)
            return true;
        Sleep(10);
    }
    return false;
}

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end, LARGE_INTEGER frequency)
{
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: file_send_bench <control port> [bytes]\n");
        return 2;
    }
    unsigned short controlPort = static_cast<unsigned short>(std::strtoul(argv[1], nullptr, 10));
    size_t size = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : (256u << 10);
    vprinter::VPrinterClient printer;
    if (!printer.Connect("127.0.0.1", controlPort)) {
        std::fprintf(stderr, "printer: %s\n", printer.LastError().c_str());
        return 1;
    }
    printer.Ok("CLEAR");

    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    DWORD port = 7;  // COM8
    char name[] = "COM8";
    int baud = 0, parity = 0, flow = 0, dataBits = 3, stopBits = 0;
    if (!Comm_OpenSetup(window, kDorvaneSerial, 1) || Comm_IsConnectionValid(port, 3, 0, 0, 0, 3, 0) == 0 ||
        !Comm_UpdateConnection(0, port, name, baud, parity, flow, dataBits, stopBits)) {
        std::fprintf(stderr, "COM8 cannot be opened\n");
        return 1;
    }
    Comm_SetConnect(Comm_IsPortAvailable());
    CreateAbortEvent();
    g_Transfer.SetParams(0, 7, 0, 0, 0, 0);
    g_Transfer.SetNotifyWindow(window);

    std::vector<char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string fileName = std::string(folder) + "kx-bench-" + std::to_string(GetCurrentProcessId()) + ".bin";
    FILE* file = std::fopen(fileName.c_str(), "wb");
    std::fwrite(bytes.data(), 1, size, file);
    std::fclose(file);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);

    // Kestrix: the file worker's body, packets of the serial communication packet size.
    g_SendFile.Open(CString(fileName.c_str()), 0, 0, 0);
    QueryPerformanceCounter(&start);
    g_Transfer.DoFileTransfer();
    bool kestrixArrived = WaitForPrinter(printer, size);
    QueryPerformanceCounter(&end);
    double kestrixSeconds = Seconds(start, end, frequency);

    // Plain: the same bytes in one overlapped write on the same handle.
    printer.Ok("CLEAR");
    DWORD written = 0;
    QueryPerformanceCounter(&start);
    HANDLE tx = Comm_GethCommPortTX();
    OVERLAPPED* record = Comm_GetOverlappedTX();
    if (!WriteFile(tx, bytes.data(), static_cast<DWORD>(size), &written, record) && GetLastError() == ERROR_IO_PENDING)
        GetOverlappedResult(tx, record, &written, TRUE);
    bool plainArrived = WaitForPrinter(printer, size);
    QueryPerformanceCounter(&end);
    double plainSeconds = Seconds(start, end, frequency);

    unsigned packet = Comm_GetCommPacketSize();
    Comm_BreakDownCommPort();
    Comm_CloseCleanuo();
    DeleteFileA(fileName.c_str());
    if (!kestrixArrived || !plainArrived) {
        std::fprintf(stderr, "the printer did not receive every byte\n");
        return 1;
    }
    double kestrixRate = static_cast<double>(size) / 1024.0 / kestrixSeconds;
    double plainRate = static_cast<double>(size) / 1024.0 / plainSeconds;
    std::printf("bytes            %zu\n", size);
    std::printf("kestrix file     %.1f KB/s (%u-byte packets)\n", kestrixRate, packet);
    std::printf("plain write      %.1f KB/s\n", plainRate);
    std::printf("ratio            %.3f\n", kestrixRate / plainRate);
    return 0;
}
