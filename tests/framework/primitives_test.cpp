// Events, locks, threads, files, the message box sink and string resources.
#include "framework/critical_section.h"
#include "framework/event.h"
#include "framework/file.h"
#include "framework/message_box.h"
#include "framework/thread.h"

#include <gtest/gtest.h>

#include "test_resource.h"

TEST(CEvent, AutoResetReleasesOneWaitManualResetStaysSet)
{
    CEvent autoEv;
    ASSERT_TRUE(autoEv.IsValid());
    EXPECT_EQ(autoEv.Wait(0), static_cast<DWORD>(WAIT_TIMEOUT));
    autoEv.Set();
    EXPECT_EQ(autoEv.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(autoEv.Wait(0), static_cast<DWORD>(WAIT_TIMEOUT));

    CEvent manual(true, true);
    EXPECT_EQ(manual.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(manual.Wait(0), WAIT_OBJECT_0);
    manual.Reset();
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

namespace {
struct Shared {
    CCriticalSection cs;
    CEvent go{true, false};
    long counter = 0;
};

unsigned Worker(void* param)
{
    auto* s = static_cast<Shared*>(param);
    s->go.Wait();
    for (int i = 0; i < 10000; ++i) {
        CLock guard(s->cs);
        ++s->counter;
    }
    return 7;
}
} // namespace

TEST(CThread, ThreadsRunUnderTheLockAndStayJoinable)
{
    Shared shared;
    CThread a, b;
    ASSERT_TRUE(a.Start(Worker, &shared));
    ASSERT_TRUE(b.Start(Worker, &shared, THREAD_PRIORITY_HIGHEST));
    EXPECT_EQ(GetThreadPriority(b.Handle()), THREAD_PRIORITY_HIGHEST);
    EXPECT_FALSE(a.Join(0));
    EXPECT_EQ(a.GetExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_FALSE(a.Start(Worker, &shared)); // one thread per object
    shared.go.Set();
    ASSERT_TRUE(a.Join(10000));
    ASSERT_TRUE(b.Join(10000));
    EXPECT_EQ(shared.counter, 20000);
    EXPECT_EQ(a.GetExitCode(), 7u);
    // The handle stays usable for waits after the thread has ended.
    EXPECT_EQ(WaitForSingleObject(a.Handle(), 0), WAIT_OBJECT_0);
}

TEST(CFile, WriteSeekReadAndErrorsKeepTheirCode)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    CString name;
    name.Format("%skx_file_%lu.bin", dir, GetCurrentProcessId());
    {
        CFile f;
        ASSERT_TRUE(f.Open(name, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS));
        EXPECT_EQ(f.GetFileName(), name);
        ASSERT_TRUE(f.Write("hello world", 11));
        EXPECT_EQ(f.GetLength(), 11);
        ULONGLONG pos = 0;
        ASSERT_TRUE(f.Seek(6, FILE_BEGIN, &pos));
        EXPECT_EQ(pos, 6u);
        char buf[16] = {};
        DWORD got = 0;
        ASSERT_TRUE(f.Read(buf, sizeof buf, &got));
        EXPECT_EQ(got, 5u);
        EXPECT_STREQ(buf, "world");
    }
    CFile missing;
    CString nowhere = name + ".none\\x";
    EXPECT_FALSE(missing.Open(nowhere, GENERIC_READ, 0, OPEN_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_TRUE(DeleteFileA(name));
}

TEST(MessageSink, InstalledSinkAnswersInsteadOfABox)
{
    CString seenText, seenCaption;
    UINT seenType = 0;
    {
        CMessageBoxSinkScope scope([&](HWND, const char* text, const char* caption, UINT type) {
            seenText = text;
            seenCaption = caption;
            seenType = type;
            return IDNO;
        });
        EXPECT_EQ(ShowMessageBox(nullptr, "Overwrite?", "Kestrix", MB_YESNO), IDNO);
    }
    EXPECT_EQ(seenText, "Overwrite?");
    EXPECT_EQ(seenCaption, "Kestrix");
    EXPECT_EQ(seenType, static_cast<UINT>(MB_YESNO));
    // After the scope the sink is gone again.
    MessageBoxSink previous = SetMessageBoxSink(nullptr);
    EXPECT_FALSE(previous);
}

TEST(CStringResource, LoadStringReadsTheProgramsStringTable)
{
    CString s;
    ASSERT_TRUE(s.LoadString(IDS_TEST_SHORT));
    EXPECT_EQ(s, "Port opened");
    ASSERT_TRUE(s.LoadString(IDS_TEST_LONG));
    EXPECT_EQ(s.GetLength(), 300);
    EXPECT_FALSE(s.LoadString(999));
    EXPECT_TRUE(s.IsEmpty());
}
