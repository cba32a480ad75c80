// Names, makes and removes the tests' temporary folders.
#include "temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <set>

namespace test_support {

namespace {

// Deletes what folder holds, subfolders included; false when something could not be deleted.
bool EmptyFolder(const std::string& folder)
{
    bool all = true;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            all = EmptyFolder(path) && RemoveDirectoryA(path.c_str()) && all;
        else
            all = DeleteFileA(path.c_str()) && all;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return all;
}

std::string Created(const std::string& name)
{
    static std::mutex lock;
    static std::set<std::string> named;   // the folders this process has named already
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + name;
    std::lock_guard<std::mutex> guard(lock);
    if (named.insert(folder).second)
        EmptyFolder(folder);   // left by an earlier process of the same id
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

void RemoveFolderTree(const std::string& folder)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        EmptyFolder(folder);
        if (RemoveDirectoryA(folder.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
            GetLastError() == ERROR_PATH_NOT_FOUND)
            return;
        Sleep(100);
    }
}

}  // namespace test_support
