// Benchmark helper: sends one file through the Ethernet transport's main channel in the client's
// chunks and prints the seconds from the first write until the virtual printer holds every byte.
//   ethernet_send_file <control-port> <main-port> <rt-port> <usm-port> <file>
#include <winsock2.h>
#include <windows.h>

#include "comm_info.h"
#include "vprinter_client.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: ethernet_send_file <control-port> <main> <rt> <usm> <file>\n");
        return 2;
    }
    int mainPort = std::atoi(argv[2]), rtPort = std::atoi(argv[3]), usmPort = std::atoi(argv[4]);
    FILE* file = std::fopen(argv[5], "rb");
    if (!file) {
        std::fprintf(stderr, "cannot open %s\n", argv[5]);
        return 1;
    }
    std::vector<uint8_t> data;
    uint8_t block[65536];
    for (size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) data.insert(data.end(), block, block + n);
    std::fclose(file);

    vprinter::VPrinterClient printer;
    if (!printer.Connect("127.0.0.1", static_cast<unsigned short>(std::atoi(argv[1]))) || !printer.Ok("CLEAR")) {
        std::fprintf(stderr, "no virtual printer: %s\n", printer.LastError().c_str());
        return 1;
    }
    HMODULE library = LoadLibraryA("Lumetra.dll");
    auto factory = library ? reinterpret_cast<PFN_GetNewInfoPtr>(GetProcAddress(library, "GetNewInfoPtr")) : nullptr;
    CCommInfo* info = factory ? factory(nullptr, 1) : nullptr;
    if (!info) {
        std::fprintf(stderr, "cannot load Lumetra.dll\n");
        return 1;
    }
    DWORD ip = 0x7F000001;
    char mac[50];
    int outputChannel = 0, mainUp = 0;
    info->CheckSettings(ip, 8, mainPort, outputChannel, rtPort, usmPort, 0);
    if (!info->Open(0, &ip, mac, &mainPort, &usmPort, &rtPort, &outputChannel, &mainUp)) {
        std::fprintf(stderr, "open failed\n");
        return 1;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const size_t chunk = info->m_nCommPacketSize;
    for (size_t at = 0; at < data.size(); at += chunk) {
        DWORD length = static_cast<DWORD>(data.size() - at < chunk ? data.size() - at : chunk), written = 0;
        if (!info->Write(nullptr, data.data() + at, length, &written, nullptr)) {
            std::fprintf(stderr, "write failed at %zu: %lu\n", at, GetLastError());
            return 1;
        }
    }
    for (;;) {
        auto received = printer.Received("main");
        if (!received) return 1;
        if (received->length >= data.size()) break;
        Sleep(5);
    }
    QueryPerformanceCounter(&end);
    std::printf("%.3f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    info->Close();
    DeleteCommInfo(info);
    FreeLibrary(library);
    return 0;
}
