// Dorvane.dll exports exactly the 29 Comm_* functions, by their plain names.
#include "dorvane.h"
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

std::set<std::string> ExportedNames(HMODULE module)
{
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::set<std::string> names;
    if (!dir.VirtualAddress)
        return names;
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
    EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames) << "no export by ordinal only";
    return names;
}

TEST(DorvaneExports, ExactlyTheCommFunctionsUnmangled)
{
    const std::set<std::string> want = {
        "Comm_OpenSetup", "Comm_IsOpened", "Comm_CloseCleanuo", "Comm_IsConnectionValid",
        "Comm_UpdateConnection", "Comm_IsConnected", "Comm_BreakDownCommPort", "Comm_SetConnect",
        "Comm_IsPortAvailable", "Comm_IsBidirectional", "Comm_IsAsyncRead", "Comm_IsDevicePresent",
        "Comm_GethCommPortTX", "Comm_GethCommPortRX", "Comm_GethCommPortRXUsm", "Comm_GetOverlappedTX",
        "Comm_GetOverlappedRX", "Comm_GetOverlappedRXUsm", "Comm_WritePort", "Comm_ReadPort",
        "Comm_InitGetDeviceStatus", "Comm_GetDeviceStatus", "Comm_GetReadTimeout",
        "Comm_GetDownloadPacketSize", "Comm_GetCommPacketSize", "Comm_GetStringPacketSize",
        "Comm_GetPortParams", "Comm_SetDeviceParams", "Comm_ShowPortProperties",
    };
    ASSERT_EQ(want.size(), 29u);
    HMODULE module = GetModuleHandleA("Dorvane.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ExportedNames(module), want);
    // Each name resolves: the import library and the export table agree.
    for (const std::string& name : want)
        EXPECT_NE(GetProcAddress(module, name.c_str()), nullptr) << name;
}

}  // namespace
