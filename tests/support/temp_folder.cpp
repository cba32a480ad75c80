// Names and makes the tests' temporary folders.
#include "temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace test_support {

namespace {

std::string Created(const std::string& name)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

}  // namespace

std::string TempFolder(const std::string& prefix)
{
    return Created(prefix + "_" + std::to_string(GetCurrentProcessId()));
}

std::string TestTempFolder(const std::string& prefix)
{
    return Created(prefix + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

}  // namespace test_support
