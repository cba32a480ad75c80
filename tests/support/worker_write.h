// Writing through a transport object as the program's file worker does.
#pragma once
#include <windows.h>

#include "comm_info.h"

#include <cstddef>

namespace test_support {

// Writes length bytes on the object's TX handle and record in chunks of at most chunk bytes,
// awaiting each overlapped write; false on a failed or empty write.
bool WriteAll(CCommInfo& info, const void* data, size_t length, DWORD chunk);

}  // namespace test_support
