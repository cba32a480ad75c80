// Loading the transport libraries by interface and finding their factory.
#include "transport_library.h"
#include <mutex>

namespace {

struct TransportLibrary {
    const char* fileName;
    int missingErrorId;  // CommError shown when the library cannot be loaded
};

// Indexed by interface: serial, USB, parallel, Ethernet.
constexpr TransportLibrary kLibraries[kTransportInterfaceCount] = {
    {"Vorbeck.dll", 9},
    {"Pindoro.dll", 15},
    {"Tasquel.dll", 17},
    {"Lumetra.dll", 20},
};

// Loaded modules, never freed (see the header).
HMODULE g_modules[kTransportInterfaceCount];
std::mutex g_modulesLock;

}  // namespace

TransportFactory FindTransportFactory(int iface)
{
    std::lock_guard<std::mutex> lock(g_modulesLock);
    const TransportLibrary& library = kLibraries[iface];
    HMODULE& module = g_modules[iface];
    if (!module) {
        module = LoadLibraryA(library.fileName);
        if (!module)
            return {nullptr, library.missingErrorId};
    }
    auto factory = reinterpret_cast<PFN_GetNewInfoPtr>(GetProcAddress(module, "GetNewInfoPtr"));
    return {factory, 0};
}
