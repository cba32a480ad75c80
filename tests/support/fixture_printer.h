// The virtual printer as the Windows-side tests reach it: files of the ctest fixture's printer in
// KX_VPRINTER_DIR, or the printer started beside a test by with_vprinter.sh (KX_VP_CONTROL).
#pragma once
#include <windows.h>

#include "vprinter_client.h"

#include <cstdint>
#include <optional>
#include <string>

namespace test_support {

// A Linux path as Wine's Z: drive shows it.
std::string WindowsPath(const std::string& unixPath);
// A file the fixture's printer keeps in KX_VPRINTER_DIR, as a Windows path.
std::string FixtureFile(const std::string& name);
// The fixture printer's control file for a port ("com7" -> control-com7.txt).
std::string ControlFile(const std::string& port);
// The control port the fixture printer wrote into its control file; 0 if there is none.
unsigned short ControlPort(const std::string& port);
// Connects to the printer beside this test by the control port with_vprinter.sh exported.
bool ConnectBesidePrinter(vprinter::VPrinterClient& printer);
// Waits until the printer has recorded at least length bytes on channel, the time is up or the
// printer does not answer; what the printer said last (nothing when it did not answer).
std::optional<vprinter::ReceivedSummary> AwaitReceived(vprinter::VPrinterClient& printer, const char* channel,
                                                       uint64_t length, DWORD timeoutMs);
// The same, true when the printer has recorded at least length bytes on channel.
bool WaitReceived(vprinter::VPrinterClient& printer, const char* channel, uint64_t length, DWORD timeoutMs);

}  // namespace test_support
