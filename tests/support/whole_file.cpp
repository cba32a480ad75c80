// Reads a file in one go.
#include "whole_file.h"

#include <windows.h>

#include <fstream>
#include <iterator>

namespace test_support {

std::vector<char> ReadWholeFile(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ReadSharedText(const std::string& name)
{
    std::string text;
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return text;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0)
        text.append(buffer, n);
    CloseHandle(h);
    return text;
}

}  // namespace test_support
