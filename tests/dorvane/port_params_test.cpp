// Device lists and properties reports stay within the caller's buffer.
#include "probe_fixture.h"
#include <cstring>

namespace {

TEST_F(ProbeTransport, PortParamsNeverFillMoreRowsThanTheCallerHolds)
{
    struct Case {
        int capacity;      // rows the caller's array holds
        int devices;       // rows the transport claims
        int wantCount;
        bool transportAsked;
    };
    const Case cases[] = {
        {3, 10, 3, true},   // the transport claims more than fits: cut to the caller's room
        {50, 2, 2, true},
        {1, 1, 1, true},
        {0, 4, 0, false},   // no room at all: the transport is not asked
        {-2, 4, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        char rows[52][128];
        std::memset(rows, '#', sizeof rows);
        m_pControl->devicesToList = c.devices;
        m_pControl->enumCapacity = -99;
        m_pControl->calls[kSlotEnumDevices] = 0;
        int usm = 0, realTime = 0, count = c.capacity;
        const char* prefix = "COM";
        int result = Comm_GetPortParams(usm, realTime, prefix, count, rows);
        EXPECT_EQ(count, c.wantCount);
        EXPECT_EQ(Calls(kSlotEnumDevices), c.transportAsked ? 1 : 0);
        if (c.transportAsked) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(m_pControl->enumCapacity, c.capacity) << "the transport is told the room";
            EXPECT_EQ(m_pControl->lastArgs[2], reinterpret_cast<uintptr_t>(prefix));
        } else {
            EXPECT_EQ(result, 0);
        }
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(std::strlen(rows[i]), 127u) << "row " << i << " ends within its 128 characters";
        int firstUntouched = c.capacity > 0 ? c.capacity : 0;
        for (int i = firstUntouched; i < 52; ++i)
            EXPECT_EQ(rows[i][0], '#') << "row " << i << " beyond the caller's room";
    }
}

TEST_F(ProbeTransport, PortParamsPassPrefixAndFlagsThrough)
{
    char rows[4][128];
    int usm = 0, realTime = 0, count = 4;
    m_pControl->devicesToList = 1;
    Comm_GetPortParams(usm, realTime, nullptr, count, rows);
    EXPECT_EQ(m_pControl->lastArgs[0], reinterpret_cast<uintptr_t>(&usm));
    EXPECT_EQ(m_pControl->lastArgs[1], reinterpret_cast<uintptr_t>(&realTime));
    EXPECT_EQ(m_pControl->lastArgs[2], 0u) << "null prefix: USB or Ethernet devices";
    EXPECT_EQ(m_pControl->lastArgs[4], reinterpret_cast<uintptr_t>(rows));
}

TEST_F(ProbeTransport, PropertiesReportIsCutToTheCallersCapacity)
{
    std::strcpy(m_pControl->properties, "PARALLEL DEVICE PROPERTIES");
    struct Case {
        size_t capacity;
        const char* want;
    };
    const Case cases[] = {
        {kPortPropertiesChars, "PARALLEL DEVICE PROPERTIES"},
        {9, "PARALLEL"},  // cut where the caller's buffer ends, its last character the terminator
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        char text[kPortPropertiesChars + 1];
        std::memset(text, 0, sizeof text);
        text[c.capacity] = '#';
        EXPECT_EQ(Comm_ShowPortProperties(text, c.capacity), 1);
        EXPECT_STREQ(text, c.want);
        EXPECT_EQ(text[c.capacity], '#');
    }
    char text[4] = {};
    EXPECT_EQ(Comm_ShowPortProperties(text, 0), 0) << "no room: the transport is not asked";
}

}  // namespace
