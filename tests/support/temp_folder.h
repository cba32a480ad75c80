// A folder of a test's own in the temporary folder, for the program's log, capture and settings files.
// Wine reuses process ids, so a folder named after one may hold what an earlier run left: the first
// time a process names a folder, the folder is emptied.
#pragma once

#include <string>

namespace test_support {

// <temp>\<prefix>_<process id>, created if missing (emptied the first time this process names it).
std::string TempFolder(const std::string& prefix);
// <temp>\<prefix>_<process id>_<running test's name>, likewise.
std::string TestTempFolder(const std::string& prefix);
// Deletes folder with everything in it (a program just ended may hold a file a moment longer).
void RemoveFolderTree(const std::string& folder);

}  // namespace test_support
