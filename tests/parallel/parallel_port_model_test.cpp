// The stand-in's parallel port: what each driver family is answered.
#include "parallel_codes.h"
#include "parallel_port_model.h"
#include <gtest/gtest.h>
#include <cstring>
#include <deque>

using namespace standin;

namespace {

// The calling process's memory as one block (addresses are offsets into it) and a printer that
// keeps what it got and has bytes to send.
class FakeHost : public ParallelHost {
public:
    std::vector<uint8_t> memory = std::vector<uint8_t>(1 << 16);
    Bytes printed;
    std::deque<uint8_t> toSend;

    bool ReadCaller(uint32_t address, void* out, uint32_t length) override
    {
        if (address + uint64_t(length) > memory.size()) return false;
        std::memcpy(out, memory.data() + address, length);
        return true;
    }
    bool WriteCaller(uint32_t address, const void* data, uint32_t length) override
    {
        if (address + uint64_t(length) > memory.size()) return false;
        std::memcpy(memory.data() + address, data, length);
        return true;
    }
    bool SendToPrinter(const uint8_t* data, size_t length) override
    {
        printed.insert(printed.end(), data, data + length);
        return true;
    }
    size_t TakeFromPrinter(uint8_t* out, size_t max) override
    {
        size_t n = std::min(max, toSend.size());
        for (size_t i = 0; i < n; ++i) {
            out[i] = toSend.front();
            toSend.pop_front();
        }
        return n;
    }
};

Bytes U32s(std::initializer_list<uint32_t> values)
{
    Bytes out;
    for (uint32_t v : values)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return out;
}

uint16_t StatusOf(const Reply& reply) { return static_cast<uint16_t>(reply.data[0] | reply.data[1] << 8); }
uint32_t ValueOf(const Reply& reply)
{
    uint32_t v = 0;
    std::memcpy(&v, reply.data.data() + 4, 4);
    return v;
}

class ParallelPortModelTest : public ::testing::Test {
protected:
    Reply Private(uint32_t request, const Bytes& input, uint32_t capacity = 8,
                  ParallelDriver driver = ParallelDriver::Vxd9x)
    {
        return model.Control(driver, ParDriverCode(request, driver == ParallelDriver::NtKernel), input, capacity, host);
    }
    void SelectPort(unsigned port = 1)
    {
        Bytes input{static_cast<uint8_t>(port), 0, 1, 0};
        ASSERT_EQ(StatusOf(Private(kParSelectPort, input, 2)), kParStatusOk);
    }

    ParallelPortModel model;
    FakeHost host;
};

}  // namespace

TEST_F(ParallelPortModelTest, NamesOfTheThreeDrivers)
{
    EXPECT_EQ(model.DriverOfPath("\\\\.\\LPT1"), ParallelDriver::SystemPort);
    EXPECT_EQ(model.DriverOfPath("\\\\.\\lpt1"), ParallelDriver::SystemPort);
    EXPECT_EQ(model.DriverOfPath("\\\\.\\VEL1284.VXD"), ParallelDriver::Vxd9x);
    EXPECT_EQ(model.DriverOfPath("\\\\.\\Orlith1"), ParallelDriver::NtKernel);
    EXPECT_FALSE(model.DriverOfPath("\\\\.\\LPT2"));
    EXPECT_FALSE(model.DriverOfPath("\\\\.\\Orlith2"));
    EXPECT_FALSE(model.DriverOfPath("\\\\.\\COM1"));
}

TEST_F(ParallelPortModelTest, StatusByteFollowsThePrinterLines)
{
    struct {
        const char* lines;
        uint8_t status;
    } cases[] = {
        {"ready", kParallelSelected},
        {"busy", kParallelSelected | kParallelBusy},
        {"paperout", kParallelSelected | kParallelPaperEmpty},
        {"error", kParallelOffLine},
        {"busy paperout error", kParallelOffLine | kParallelBusy | kParallelPaperEmpty},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        std::vector<std::string> words = SplitWords(std::string("LINES ") + c.lines);
        ASSERT_EQ(model.Command(words), "OK");
        Reply reply = model.Control(ParallelDriver::SystemPort, kIoctlParQueryInformation, {}, 1, host);
        ASSERT_EQ(reply.status, 0u);
        EXPECT_EQ(reply.data, Bytes{c.status});
        EXPECT_EQ(model.TakesData(), std::string(c.lines) == "ready");
    }
    ASSERT_EQ(model.Command({"STATUS", "5A"}), "OK");
    EXPECT_EQ(model.StatusByte(), 0x5A);
    EXPECT_NE(model.Command({"LINES", "sideways"})->rfind("ERR", 0), std::string::npos);
}

TEST_F(ParallelPortModelTest, PublicDeviceIdIsLengthPrefixed)
{
    ASSERT_EQ(model.Command({"DEVICEID", "MFG:A;", "MDL:B", "C;"}), "OK");
    Reply reply = model.Control(ParallelDriver::SystemPort, kIoctlParQueryDeviceId, {}, 512, host);
    std::string text = "MFG:A; MDL:B C;";
    Bytes expected{0, static_cast<uint8_t>(text.size() + 2)};
    expected.insert(expected.end(), text.begin(), text.end());
    EXPECT_EQ(reply.data, expected);

    ASSERT_EQ(model.Command({"DEVICEID", "-"}), "OK");
    EXPECT_EQ(model.Control(ParallelDriver::SystemPort, kIoctlParQueryDeviceId, {}, 512, host).data, (Bytes{0, 2}));
}

TEST_F(ParallelPortModelTest, PublicRequestsCheckTheirArguments)
{
    EXPECT_EQ(model.Control(ParallelDriver::SystemPort, kIoctlParSetInformation, {1}, 0, host).status, 0u);
    EXPECT_NE(model.Control(ParallelDriver::SystemPort, kIoctlParSetInformation, {2}, 0, host).status, 0u);
    EXPECT_NE(model.Control(ParallelDriver::SystemPort, kIoctlParQueryInformation, {}, 0, host).status, 0u);
    EXPECT_NE(model.Control(ParallelDriver::SystemPort, 0x160040, {}, 16, host).status, 0u);
}

TEST_F(ParallelPortModelTest, EachDriverKnowsOnlyItsOwnCodes)
{
    EXPECT_NE(model.Control(ParallelDriver::Vxd9x, ParDriverCode(kParInitLast, true), {}, 2, host).status, 0u);
    EXPECT_NE(model.Control(ParallelDriver::NtKernel, ParDriverCode(kParInitLast, false), {}, 2, host).status, 0u);
    EXPECT_EQ(StatusOf(Private(kParInitLast, {}, 2, ParallelDriver::NtKernel)), kParStatusOk);
    EXPECT_EQ(StatusOf(Private(kParInitLast, {}, 2)), kParStatusOk);
    // A reply that does not fit fails the call.
    EXPECT_NE(Private(kParGetCapabilities, {}, 4).status, 0u);
}

TEST_F(ParallelPortModelTest, TransfersNeedTheSelectedPort)
{
    Reply before = Private(kParWriteData, U32s({0, 4}));
    EXPECT_EQ(StatusOf(before), kParStatusNoPort);
    EXPECT_EQ(StatusOf(Private(kParSelectPort, Bytes{2, 0, 1, 0}, 2)), kParStatusNoPort);
    SelectPort();
    EXPECT_EQ(StatusOf(Private(kParWriteData, U32s({0, 4}))), kParStatusOk);
    EXPECT_EQ(StatusOf(Private(kParShutdownSecond, {}, 2)), kParStatusOk);
    EXPECT_EQ(StatusOf(Private(kParWriteData, U32s({0, 4}))), kParStatusNoPort);
}

TEST_F(ParallelPortModelTest, WriteDataReadsTheCallersBufferByAddress)
{
    SelectPort();
    std::vector<uint8_t> data(200000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13);
    host.memory.resize(300000);
    std::memcpy(host.memory.data() + 1000, data.data(), data.size());
    Reply reply = Private(kParWriteData, U32s({1000, static_cast<uint32_t>(data.size())}));
    EXPECT_EQ(StatusOf(reply), kParStatusOk);
    EXPECT_EQ(ValueOf(reply), data.size());
    EXPECT_EQ(host.printed, data);

    // A buffer the caller does not have fails with what was done before it.
    reply = Private(kParWriteData, U32s({299000, 200000}));
    EXPECT_NE(StatusOf(reply), kParStatusOk);
}

TEST_F(ParallelPortModelTest, WriteTimesOutWhilePrinterCannotTakeData)
{
    SelectPort();
    for (const char* line : {"busy", "paperout", "error"}) {
        ASSERT_EQ(model.Command({"LINES", line}), "OK");
        Reply reply = Private(kParWriteData, U32s({0, 16}));
        EXPECT_EQ(StatusOf(reply), kParStatusTimeout) << line;
        EXPECT_EQ(ValueOf(reply), 0u);
    }
    EXPECT_TRUE(host.printed.empty());
}

TEST_F(ParallelPortModelTest, ReadDataIsPartialWhenThePrinterSentLess)
{
    SelectPort();
    host.toSend = {1, 2, 3};
    Reply reply = Private(kParReadData, U32s({64, 512}));
    EXPECT_EQ(StatusOf(reply), kParStatusPartialRead);
    EXPECT_EQ(ValueOf(reply), 3u);
    EXPECT_EQ(Bytes(host.memory.begin() + 64, host.memory.begin() + 67), (Bytes{1, 2, 3}));

    host.toSend = {9, 8};
    reply = Private(kParReadData, U32s({0, 2}));
    EXPECT_EQ(StatusOf(reply), kParStatusOk);
    EXPECT_EQ(ValueOf(reply), 2u);
}

TEST_F(ParallelPortModelTest, ReadDeviceIdWritesTheIdIntoTheCallersBuffer)
{
    SelectPort();
    ASSERT_EQ(model.Command({"DEVICEID", "MFG:A;MDL:B;"}), "OK");
    Reply reply = Private(kParReadDeviceId, U32s({100, 512}));
    EXPECT_EQ(StatusOf(reply), kParStatusOk);
    ASSERT_EQ(ValueOf(reply), 14u);
    EXPECT_EQ(Bytes(host.memory.begin() + 100, host.memory.begin() + 114), model.DeviceIdReply());

    reply = Private(kParReadDeviceId, U32s({100, 5}));
    EXPECT_EQ(StatusOf(reply), kParStatusPartialRead);
    EXPECT_EQ(ValueOf(reply), 5u);
}

TEST_F(ParallelPortModelTest, RequestsWithAWrongInputSizeAreRefused)
{
    EXPECT_EQ(StatusOf(Private(kParSetPortMode, {1, 0}, 2)), kParStatusBadRequest);
    EXPECT_EQ(StatusOf(Private(kParSetTimeouts, U32s({2000}), 2)), kParStatusBadRequest);
    EXPECT_EQ(StatusOf(Private(kParCloseFirst, {1}, 2)), kParStatusBadRequest);
    EXPECT_EQ(StatusOf(Private(40, {}, 2)), kParStatusBadRequest);
    EXPECT_NE(Private(99, {}, 2).status, 0u);  // not a code of the driver at all
    EXPECT_EQ(StatusOf(Private(kParSetTimeouts, U32s({2000, 2000}), 2)), kParStatusOk);
}
