// Order and numbering of the names the port and device lists show.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/device_names.h"
#include "core/port_order.h"

namespace {

using Names = std::vector<std::string>;

TEST(PortOrder, NumberAfterPrefix)
{
    const struct {
        const char* name;
        int number;
    } cases[] = {
        {"COM12", 12},  {"COM1", 1},     {"LPT3", 3},          {"COM", 0},       {"CO", 0},
        {"", 0},        {"COMX", 0},     {"COM 7", 7},         {"COM-2", -2},    {"COM+4", 4},
        {"COM9x", 9},   {"COM007", 7},   {"COM99999999999", INT_MAX}, {"COM-99999999999", INT_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PortNumber(c.name), c.number) << c.name;
}

TEST(PortOrder, ListsNamesInNumericOrder)
{
    const struct {
        Names in;
        Names out;
    } cases[] = {
        {{"COM3", "COM1", "COM10", "COM2"}, {"COM1", "COM2", "COM3", "COM10"}},
        {{"LPT2", "LPT1"}, {"LPT1", "LPT2"}},
        {{"COM10", "COM9", "COM100", "COM1"}, {"COM1", "COM9", "COM10", "COM100"}},
        {{}, {}},
        {{"COM5"}, {"COM5"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OrderPortNames(c.in), c.out);
}

TEST(PortOrder, ListsEachNameOnce)
{
    EXPECT_EQ(OrderPortNames(Names{"COM2", "COM1", "COM2", "COM1"}), (Names{"COM1", "COM2"}));
    // The list's own search ignores case, so a name differing only in case is the same port.
    EXPECT_EQ(OrderPortNames(Names{"COM4", "com4"}), (Names{"COM4"}));
}

TEST(PortOrder, EqualNumbersKeepTheirArrivalOrder)
{
    EXPECT_EQ(OrderPortNames(Names{"COMB", "COM2", "COMA", "COM", "COM02"}),
              (Names{"COMB", "COMA", "COM", "COM2", "COM02"}));
}

TEST(DeviceNames, SharedNamesGetTheirRank)
{
    const struct {
        Names in;
        Names out;
    } cases[] = {
        {{"A", "A", "B"}, {"A (1)", "A (2)", "B"}},
        {{"A", "A", "A"}, {"A (1)", "A (2)", "A (3)"}},
        {{"B", "A", "B"}, {"B (1)", "A", "B (2)"}},
        {{"X"}, {"X"}},
        {{}, {}},
        // Told apart exactly: only the two "Printer" entries are numbered, not "printer".
        {{"printer", "Printer", "Printer"}, {"printer", "Printer (1)", "Printer (2)"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberSharedDeviceNames(c.in), c.out);
}

} // namespace
