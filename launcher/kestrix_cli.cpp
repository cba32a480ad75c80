// KestrixCli: starts Kestrix.exe through the shell with this program's arguments plus "-W:1" and
// returns at once; the exit code says whether Kestrix could be started.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

// Each argument followed by one blank, then "-W:1" so that Kestrix closes once its batch action
// ends. Arguments are joined as they are: one that held a blank reaches Kestrix as several tokens.
std::string BuildParameters(int argc, char** argv)
{
    std::string parameters;
    for (int i = 1; i < argc; ++i) {
        parameters += argv[i];
        parameters += ' ';
    }
    parameters += "-W:1";
    return parameters;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string parameters = BuildParameters(argc, argv);

    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    // No error box: a script would hang on a box nobody sees; the failure goes to stderr and the
    // exit code instead. NOASYNC because this process ends right after the call.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = nullptr;
    info.lpVerb = "open";
    info.lpFile = "Kestrix.exe";
    info.lpParameters = parameters.c_str();
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOW;
    if (!ShellExecuteExA(&info)) {
        const DWORD error = GetLastError();
        std::fprintf(stderr, "Fatal Error: Kestrix.exe could not be started (system error %lu)\n",
                     static_cast<unsigned long>(error));
        std::fflush(stderr);
        return 1;
    }
    return 0;
}
