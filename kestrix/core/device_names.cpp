// Numbering of USB device names that several devices share.
#include "device_names.h"

#include <map>

std::vector<std::string> NumberSharedDeviceNames(std::span<const std::string> names)
{
    std::map<std::string, int> counts;
    for (const std::string& name : names)
        ++counts[name];
    std::map<std::string, int> ranks;
    std::vector<std::string> shown;
    shown.reserve(names.size());
    for (const std::string& name : names) {
        if (counts[name] < 2) {
            shown.push_back(name);
            continue;
        }
        shown.push_back(name + " (" + std::to_string(++ranks[name]) + ")");
    }
    return shown;
}
