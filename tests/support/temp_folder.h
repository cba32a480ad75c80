// A folder of a test's own in the temporary folder, for the program's log, capture and settings files.
#pragma once

#include <string>

namespace test_support {

// <temp>\<prefix>_<process id>, created if missing.
std::string TempFolder(const std::string& prefix);
// <temp>\<prefix>_<process id>_<running test's name>, created if missing.
std::string TestTempFolder(const std::string& prefix);

}  // namespace test_support
