// FillFromPort without a transport set up in Dorvane: the abort event, bytes already buffered and
// the time-out; reading from a printer is covered with the firmware download end to end.
#include "fill_from_port.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Event {
    HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Event() { CloseHandle(h); }
};

} // namespace

TEST(FillFromPort, AbortAlreadySetReturnsTwoBeforeReading)
{
    auto ring = std::make_unique<CRingBuffer>();
    const char reply[5] = {1, 2, 3, 4, 5};
    ring->Put(reply, 5);
    Event abort;
    SetEvent(abort.h);
    unsigned sinkCalls = 0;
    for (int noRead : {0, 1}) {
        EXPECT_EQ(FillFromPort(*ring, 1, 1000, abort.h, noRead, [&](const char*, unsigned) { ++sinkCalls; }), 2);
    }
    EXPECT_EQ(sinkCalls, 0u);
    EXPECT_EQ(ring->GetCount(), 5);
}

TEST(FillFromPort, BytesAlreadyBufferedAnswerInTheFirstPass)
{
    auto ring = std::make_unique<CRingBuffer>();
    const char reply[3] = {0x1D, 0x0F, 0x06};
    ring->Put(reply, 3);
    Event abort;
    for (int noRead : {0, 1}) {
        // One poll only: it must not need a second one.
        EXPECT_EQ(FillFromPort(*ring, 3, 1, abort.h, noRead), 1) << "noRead " << noRead;
    }
    EXPECT_EQ(ring->GetCount(), 3);
}

TEST(FillFromPort, TooFewBytesTimeOutAfterTheTries)
{
    auto ring = std::make_unique<CRingBuffer>();
    const char reply[2] = {0x1D, 0x0F};
    ring->Put(reply, 2);
    Event abort;
    EXPECT_EQ(FillFromPort(*ring, 3, 20, abort.h, 0), 0);
    EXPECT_EQ(FillFromPort(*ring, 3, 0, abort.h, 0), 0);  // no pass at all
}
