// The vprinter program end to end on Linux: control over TCP, the serial side over its pty.
#include "vprinter_client.h"
#include <gtest/gtest.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vprinter {
namespace {

using namespace std::chrono_literals;

class VPrinterProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vprinter_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        link_ = dir_ + "/com7";
        portFile_ = dir_ + "/com7.control";
        const char* argv[] = {VPRINTER_PATH, "--control", "127.0.0.1:0", "--port-file", portFile_.c_str(),
                              "--pty-link", link_.c_str(), "--lifetime", "120", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ASSERT_EQ(posix_spawn(&pid_, VPRINTER_PATH, &actions, nullptr, const_cast<char**>(argv), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 500 && access(portFile_.c_str(), F_OK) != 0; ++i) std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(client_.ConnectFromFile(portFile_)) << client_.LastError();
        port_ = open(link_.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(port_, 0) << errno;
    }

    void TearDown() override
    {
        if (port_ >= 0) close(port_);
        if (pid_ > 0) {
            if (waitpid(pid_, nullptr, WNOHANG) == 0) kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        unlink(portFile_.c_str());
        unlink(link_.c_str());
        rmdir(dir_.c_str());
    }

    // Reads exactly n bytes from the port, giving up after two seconds.
    Bytes ReadPort(size_t n)
    {
        Bytes bytes;
        auto until = std::chrono::steady_clock::now() + 2s;
        fcntl(port_, F_SETFL, fcntl(port_, F_GETFL) | O_NONBLOCK);
        while (bytes.size() < n && std::chrono::steady_clock::now() < until) {
            uint8_t buffer[4096];
            ssize_t got = read(port_, buffer, std::min(sizeof buffer, n - bytes.size()));
            if (got > 0)
                bytes.insert(bytes.end(), buffer, buffer + got);
            else
                std::this_thread::sleep_for(1ms);
        }
        return bytes;
    }

    // The printer records asynchronously: wait until it has seen n bytes, or two seconds went by
    // without a new one.
    std::optional<ReceivedSummary> WaitReceived(uint64_t n)
    {
        std::optional<ReceivedSummary> received;
        uint64_t last = 0;
        for (auto movedAt = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - movedAt < 2s;) {
            received = client_.Received();
            if (!received || received->length >= n) break;
            if (received->length != last) {
                last = received->length;
                movedAt = std::chrono::steady_clock::now();
            }
            std::this_thread::sleep_for(10ms);
        }
        return received;
    }

    std::string dir_, link_, portFile_;
    pid_t pid_ = -1;
    int port_ = -1;
    VPrinterClient client_;
};

TEST_F(VPrinterProgram, RecordsWhatThePortWritesAndAnswersItsRule)
{
    ASSERT_TRUE(client_.Ok("RULE 1004 AB 0"));
    const uint8_t out[] = {0x01, 0x10, 0x04};
    ASSERT_EQ(write(port_, out, sizeof out), 3);
    EXPECT_EQ(ReadPort(1), (Bytes{0xAB}));
    auto received = WaitReceived(3);
    ASSERT_TRUE(received && received->bytes);
    EXPECT_EQ(*received->bytes, (Bytes{0x01, 0x10, 0x04}));
}

TEST_F(VPrinterProgram, ReportsTheLineSettingsThePortMade)
{
    termios tio{};
    ASSERT_EQ(tcgetattr(port_, &tio), 0);
    cfmakeraw(&tio);
    cfsetospeed(&tio, B9600);
    cfsetispeed(&tio, B9600);
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | CS7 | CSTOPB | PARENB | PARODD | CRTSCTS;
    tio.c_iflag |= IXON;
    ASSERT_EQ(tcsetattr(port_, TCSANOW, &tio), 0);
    auto line = client_.Line();
    EXPECT_EQ(line["baud"], "9600");
    EXPECT_EQ(line["stop"], "2");
    EXPECT_EQ(line["crtscts"], "1");
    EXPECT_EQ(line["ixon"], "1");
    EXPECT_EQ(line["ixoff"], "0");
}

TEST_F(VPrinterProgram, FloodArrivesWholeAndXoffReachesARawPort)
{
    ASSERT_TRUE(client_.Ok("FLOOD main 100000"));
    Bytes flood = ReadPort(100000);
    ASSERT_EQ(flood.size(), 100000u);
    for (size_t i = 0; i < flood.size(); ++i) ASSERT_EQ(flood[i], static_cast<uint8_t>(i % 251)) << i;
    ASSERT_TRUE(client_.Ok("XOFF"));
    EXPECT_EQ(ReadPort(1), (Bytes{0x13}));
}

TEST_F(VPrinterProgram, PtySlowHoldsTheReadsToItsRateUntilLiftedByZero)
{
    for (const char* bad : {"PTY", "PTY SLOW", "PTY SLOW fast", "PTY FAST 10"})
        EXPECT_EQ(client_.Command(bad).rfind("ERR", 0), 0u) << bad;
    ASSERT_TRUE(client_.Ok("PTY SLOW 20000"));
    const Bytes slow(10000, 0x5A);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(write(port_, slow.data(), slow.size()), static_cast<ssize_t>(slow.size()));
    auto received = WaitReceived(slow.size());
    ASSERT_TRUE(received);
    ASSERT_EQ(received->length, slow.size());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 450ms);  // half a second at 20000 bytes/s, less a tick

    // Lifted, the reads follow the port again: more than the pty holds gets through.
    ASSERT_TRUE(client_.Ok("PTY SLOW 0"));
    const Bytes fast(200000, 0xA5);
    std::thread writer([&] { EXPECT_EQ(write(port_, fast.data(), fast.size()), static_cast<ssize_t>(fast.size())); });
    received = WaitReceived(slow.size() + fast.size());
    writer.join();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->length, slow.size() + fast.size());
}

TEST_F(VPrinterProgram, QuitEndsTheProgramAndRemovesItsFiles)
{
    EXPECT_EQ(client_.Command("QUIT"), "OK");
    int status = -1;
    ASSERT_EQ(waitpid(pid_, &status, 0), pid_);
    pid_ = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat st;
    EXPECT_NE(lstat(link_.c_str(), &st), 0);
    EXPECT_NE(access(portFile_.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace vprinter
