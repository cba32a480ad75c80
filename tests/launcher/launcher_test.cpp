// KestrixCli.exe run from a temporary folder: what the stand-in Kestrix.exe receives, that the
// launcher returns before Kestrix ends, and the exit code when there is no Kestrix.exe to start.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string BinFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// A fresh folder with a copy of the launcher, and Kestrix.exe when asked; removed with its files.
class LaunchFolder {
public:
    explicit LaunchFolder(bool withKestrix)
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_Path = std::string(temp) + "kxcli" + std::to_string(GetCurrentProcessId()) + "_" +
                 std::to_string(GetTickCount()) + "\\";
        EXPECT_TRUE(CreateDirectoryA(m_Path.c_str(), nullptr)) << GetLastError();
        EXPECT_TRUE(CopyFileA((BinFolder() + "KestrixCli.exe").c_str(), Launcher().c_str(), FALSE));
        if (withKestrix) {
            EXPECT_TRUE(CopyFileA((BinFolder() + "kestrix_stand_in.exe").c_str(), (m_Path + "Kestrix.exe").c_str(),
                                  FALSE));
        }
    }
    ~LaunchFolder()
    {
        // Kestrix.exe may still be ending: retry for a short while.
        for (const char* name : {"Kestrix.exe", "KestrixCli.exe", "command_line.txt", "command_line.tmp"}) {
            const std::string file = m_Path + name;
            for (int i = 0; i < 50 && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(file.c_str()); ++i)
                Sleep(100);
        }
        RemoveDirectoryA(m_Path.c_str());
    }
    std::string Launcher() const { return m_Path + "KestrixCli.exe"; }
    std::string Path() const { return m_Path; }

private:
    std::string m_Path;
};

// Runs the launcher with arguments (the raw command-line tail) in folder; its exit code, or -1
// when it did not end within 20 s.
long RunLauncher(const LaunchFolder& folder, const std::string& arguments)
{
    std::string commandLine = "\"";
    commandLine += folder.Launcher();
    commandLine += "\" ";
    commandLine += arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(folder.Launcher().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.Path().c_str(), &startup, &process)) {
        ADD_FAILURE() << "CreateProcess " << GetLastError();
        return -2;
    }
    long code = -1;
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) {
        DWORD exit = 0;
        GetExitCodeProcess(process.hProcess, &exit);
        code = static_cast<long>(exit);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// The command line the stand-in wrote, or "<none>" when it wrote nothing within 20 s.
std::string ReceivedCommandLine(const LaunchFolder& folder)
{
    const std::string file = folder.Path() + "command_line.txt";
    for (int i = 0; i < 200; ++i) {
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            char text[1024];
            DWORD read = 0;
            ReadFile(h, text, sizeof text, &read, nullptr);
            CloseHandle(h);
            return std::string(text, read);
        }
        Sleep(100);
    }
    return "<none>";
}

} // namespace

TEST(Launcher, KestrixGetsTheArgumentsPlusAutoCloseAndTheLauncherDoesNotWait)
{
    const struct {
        const char* arguments;
        const char* received;
    } cases[] = {
        {"", "-W:1"},
        {"-M:T -I:R", "-M:T -I:R -W:1"},
        {"data.prn   -M:T", "data.prn -M:T -W:1"},
        // Quotes the runtime removed are not put back: the blank splits the option in two.
        {"F -M:T \"-F:my file.txt\"", "F -M:T -F:my file.txt -W:1"},
    };
    for (const auto& c : cases) {
        LaunchFolder folder(true);
        // The stand-in holds until released: a launcher that waited for Kestrix would not end.
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "KestrixStandInRelease");
        ASSERT_NE(release, nullptr);
        EXPECT_EQ(RunLauncher(folder, c.arguments), 0) << c.arguments;
        SetEvent(release);
        EXPECT_EQ(ReceivedCommandLine(folder), c.received) << c.arguments;
        CloseHandle(release);
    }
}

TEST(Launcher, MissingKestrixGivesNonzeroExitCode)
{
    LaunchFolder folder(false);
    long code = RunLauncher(folder, "F -M:T");
    EXPECT_NE(code, 0);
    EXPECT_NE(code, -1) << "the launcher did not end";
}
