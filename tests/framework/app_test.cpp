// The application object: command line after the program name, start-up and exit code.
#include "framework/app.h"

#include <gtest/gtest.h>

TEST(CApp, CommandLineIsWhatFollowsTheProgramName)
{
    struct Case { const char* full; const char* rest; };
    const Case cases[] = {
        {"kestrix.exe file.bin -M:T", "file.bin -M:T"},
        {"\"C:\\Program Files\\Kestrix\\kestrix.exe\"   -M:X 41", "-M:X 41"},
        {"kestrix.exe", ""},
        {"  kestrix.exe   ", ""},
        {"\"unterminated quote", ""},
        {"", ""},
        {nullptr, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CommandLineAfterProgram(c.full), c.rest) << (c.full ? c.full : "(null)");
}

namespace {

class CTestApp : public CApp {
public:
    BOOL InitInstance() override
    {
        ++initCalls;
        if (runLoop)
            ::PostQuitMessage(5);
        return runLoop;
    }
    int ExitInstance() override
    {
        ++exitCalls;
        return CApp::ExitInstance();
    }
    bool runLoop = false;
    int initCalls = 0;
    int exitCalls = 0;
};

} // namespace

TEST(CApp, FalseFromInitInstanceEndsWithoutALoop)
{
    CTestApp app;
    EXPECT_EQ(GetApp(), &app);
    EXPECT_EQ(app.RunApplication(::GetModuleHandleA(nullptr), "prog.exe -M:T"), 0);
    EXPECT_EQ(app.initCalls, 1);
    EXPECT_EQ(app.exitCalls, 1);
    EXPECT_TRUE(app.HasCommandLine());
    EXPECT_EQ(app.GetCommandLineText(), "-M:T");
}

TEST(CApp, LoopRunsUntilQuitAndItsCodeIsTheExitCode)
{
    CTestApp app;
    app.runLoop = true;
    EXPECT_EQ(app.RunApplication(::GetModuleHandleA(nullptr), "prog.exe"), 5);
    EXPECT_FALSE(app.HasCommandLine());
    EXPECT_EQ(app.exitCalls, 1);
}

TEST(CApp, ProfileIsTheIniBesideTheProgram)
{
    CTestApp app;
    app.RunApplication(::GetModuleHandleA(nullptr), "prog.exe");
    EXPECT_EQ(app.GetProfile().GetPath(), CProfile::ModuleIniPath(::GetModuleHandleA(nullptr)));
    EXPECT_EQ(app.GetProfile().GetPath().Right(4), ".ini");
}
