// Copies the deliverables into a test's own folder and removes it again.
#include "program_folder.h"

#include <windows.h>

#include "temp_folder.h"

namespace test_support {

namespace {

// What ships, as far as the test's build made it: the programs, Dorvane, the transports, the catalogues.
const char* const kShipped[] = {"Kestrix.exe", "KestrixCli.exe", "Dorvane.dll", "Vorbeck.dll", "Lumetra.dll",
                                "Pindoro.dll", "Tasquel.dll",    "Sablon.dll",  "Mirelo.dll"};

std::string BinDir()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path - 1);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

}  // namespace

ProgramFolder::ProgramFolder(const std::string& prefix)
{
    static int made = 0;
    m_path = TestTempFolder(prefix + "_" + std::to_string(++made));
    const std::string bin = BinDir();
    m_ready = true;
    for (const char* name : kShipped) {
        const std::string from = bin + "\\" + name;
        if (GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;   // not built in this tree: the test that needs it says so
        if (!CopyFileA(from.c_str(), (m_path + "\\" + name).c_str(), FALSE))
            m_ready = false;
    }
}

ProgramFolder::~ProgramFolder()
{
    RemoveFolderTree(m_path);
}

}  // namespace test_support
