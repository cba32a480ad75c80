// Reading a whole file a test, the program or the printer wrote.
#pragma once

#include <string>
#include <vector>

namespace test_support {

// The file's bytes; empty when it cannot be opened.
std::vector<char> ReadWholeFile(const std::string& name);
// The file's text, read while the program may still hold it open for writing (a session log).
std::string ReadSharedText(const std::string& name);

}  // namespace test_support
