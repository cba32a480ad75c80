// The USB tests' fixture: Pindoro.dll over the stand-in driver, a message-only notify window,
// the printer's control link.
#include "usb_fixture.h"

#include "fixture_printer.h"
#include "standin_link.h"
#include "standin_ready.h"
#include "worker_write.h"

#include <cstdlib>

namespace usb_test {

void UsbTest::SetUp()
{
    m_ns = standin::StandinNamespace();
    const char* control = std::getenv("KX_VP_CONTROL");
    if (m_ns.empty() || !control) GTEST_SKIP() << "no stand-in driver (run through with_standin.sh)";
    // The stand-in starts beside the test: wait until it answers.
    ASSERT_TRUE(test_support::StandinAnswers(m_ns)) << Standin("PING");
    ASSERT_TRUE(test_support::ConnectBesidePrinter(m_printer)) << m_printer.LastError();
    ASSERT_TRUE(m_printer.Ok("CLEAR"));
    ASSERT_NE(m_notify.Window(), nullptr);
    ASSERT_NE(m_library.Module(), nullptr) << m_library.LoadError();
    ASSERT_NE(m_library.Factory(), nullptr);
    m_info.reset(m_library.Factory()(m_notify.Window(), 1));
    ASSERT_NE(m_info, nullptr);
}

void UsbTest::TearDown()
{
    m_info.reset();
    m_printer.Disconnect();
}

std::string UsbTest::Standin(const std::string& command) { return standin::StandinCommand(m_ns, command); }

int UsbTest::Check(int outputChannel, int singleWriter)
{
    return m_info->CheckSettings(0, 8, outputChannel, singleWriter, 0, 0, 0);
}

int UsbTest::OpenDevice(int outputChannel, int restart)
{
    DWORD device = 0;
    char name[64] = "";
    int unused7 = 0, unused8 = 0;
    m_channel = outputChannel;
    m_hasIntIn = m_hasIntOut = -1;
    return m_info->Open(restart, &device, name, &m_channel, &m_hasIntIn, &m_hasIntOut, &unused7, &unused8);
}

bool UsbTest::WriteAll(const void* data, size_t length, DWORD chunk)
{
    return test_support::WriteAll(*m_info, data, length, chunk);
}

std::vector<uint8_t> UsbTest::ReadSome(HANDLE handle, OVERLAPPED& record, size_t length, DWORD timeoutMs)
{
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> buffer(4096);
    DWORD start = GetTickCount();
    while (bytes.size() < length && GetTickCount() - start < timeoutMs) {
        DWORD got = 0;
        if (!m_info->Read(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, &record)) {
            if (GetLastError() != ERROR_IO_PENDING) break;
            // As the client's reader: wait its read time-out, else cancel and try again.
            if (WaitForSingleObject(record.hEvent, m_info->m_dwReadTimeout) != WAIT_OBJECT_0) {
                CancelIo(handle);
                GetOverlappedResult(handle, &record, &got, TRUE);
            } else if (!GetOverlappedResult(handle, &record, &got, FALSE)) {
                break;
            }
        }
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
    }
    return bytes;
}

}  // namespace usb_test
