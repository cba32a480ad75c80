// Names the USB device list shows: a name that several devices share gets its rank after it,
// "X (1)", "X (2)", so the operator can tell the devices apart. No Windows header.
#pragma once

#include <span>
#include <string>
#include <vector>

// The names in their order, each shared one (exact comparison, case included) as "%s (%d)" with its
// rank among the devices of that name, from 1; names that occur once stay as they are.
std::vector<std::string> NumberSharedDeviceNames(std::span<const std::string> names);
