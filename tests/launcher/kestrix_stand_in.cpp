// Stand-in for Kestrix.exe in the launcher tests: waits until the test lets it go (so the test can
// see the launcher did not wait for it), then writes its command line to command_line.txt beside itself.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    if (HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, "KestrixStandInRelease")) {
        WaitForSingleObject(release, 20000);
        CloseHandle(release);
    }

    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 2;
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);

    // Written under another name and renamed, so the test never reads half a file.
    const std::string partial = folder + "command_line.tmp";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(strlen(commandLine));
    BOOL ok = WriteFile(file, commandLine, size, &written, nullptr) && written == size;
    CloseHandle(file);
    if (!ok || !MoveFileExA(partial.c_str(), (folder + "command_line.txt").c_str(), MOVEFILE_REPLACE_EXISTING))
        return 4;
    return 0;
}
