// The virtual printer as the Windows-side tests reach it: files of the ctest fixture's printer in
// KX_VPRINTER_DIR, or the printer started beside a test by with_vprinter.sh (KX_VP_CONTROL).
#pragma once
#include <windows.h>

#include "progress_wait.h"
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
// Waits until the printer has recorded at least length bytes on channel, no new byte came for
// stillMs or the printer does not answer; what the printer said last (nothing when it did not
// answer). pause passes the time between looks (progress_wait.h).
std::optional<vprinter::ReceivedSummary> AwaitReceived(vprinter::VPrinterClient& printer, const char* channel,
                                                       uint64_t length, DWORD stillMs = kStillMs,
                                                       const Pause& pause = nullptr);
// The same, true when the printer has recorded at least length bytes on channel.
bool WaitReceived(vprinter::VPrinterClient& printer, const char* channel, uint64_t length, DWORD stillMs = kStillMs);
// Waits until done() holds, as long as the printer keeps receiving on channel: false once no new
// byte came for stillMs.
bool WaitWhileReceiving(vprinter::VPrinterClient& printer, const char* channel, const std::function<bool()>& done,
                        DWORD stillMs = kStillMs, const Pause& pause = nullptr);
// What the printer has recorded on channel once no new byte has come for quietMs: the bytes that
// were on their way when the sender stopped have arrived.
std::optional<vprinter::ReceivedSummary> SettledReceived(vprinter::VPrinterClient& printer, const char* channel,
                                                         DWORD quietMs = 1000);

}  // namespace test_support
