// Which Windows the program runs on: the log line and the interfaces that system offers.
#pragma once
#include <windows.h>
#include <string>

struct OsVersion {
    std::string text;        // line written to the session log, "OS Version = ..."
    int usbCapable = 0;      // USB offered (98, Me, 2000 and later NT)
    int parallelCapable = 0; // parallel-port access offered (95, 98, Me, NT family)
    int ntFamily = 0;
};

// Sets os from a version record. Versions without a row of their own (9x other than 95/98/Me,
// NT 5.3 and later minors of 5) leave os as it was. Returns 1: a record was given.
int DescribeOsVersion(const OSVERSIONINFOA& record, OsVersion& os);

// Asks the system for its version record, the extended one first. Returns 0 when both queries fail.
int QueryOsVersion(OSVERSIONINFOEXA& record);
