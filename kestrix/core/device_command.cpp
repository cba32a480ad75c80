// Building the Ethernet device commands byte by byte.
#include "device_command.h"

namespace {

std::vector<unsigned char> Tagged(std::string_view tag, const MacBytes& mac)
{
    std::vector<unsigned char> command(tag.begin(), tag.end());
    command.insert(command.end(), mac.begin(), mac.end());
    return command;
}

std::vector<unsigned char> Terminated(std::vector<unsigned char> command)
{
    command.push_back(0);
    return command;
}

} // namespace

std::string PadDeviceName(std::string_view name)
{
    std::string padded(name.substr(0, kDeviceNameChars));
    padded.resize(kDeviceNameChars, ' ');
    return padded;
}

std::vector<unsigned char> MakeChangeIpCommand(const MacBytes& mac, const IpOctets& ip)
{
    std::vector<unsigned char> command = Tagged("IP=CHIP", mac);
    command.insert(command.end(), ip.begin(), ip.end());
    return Terminated(std::move(command));
}

std::vector<unsigned char> MakeChangeNameCommand(const MacBytes& mac, std::string_view name)
{
    std::vector<unsigned char> command = Tagged("IP=CHNO", mac);
    const std::string padded = PadDeviceName(name);
    command.insert(command.end(), padded.begin(), padded.end());
    return Terminated(std::move(command));
}

std::vector<unsigned char> MakeRebootCommand(const MacBytes& mac)
{
    return Terminated(Tagged("IP=REST", mac));
}

MacBytes MacBytesOf(const int values[6])
{
    MacBytes mac{};
    for (std::size_t i = 0; i < mac.size(); ++i)
        mac[i] = static_cast<unsigned char>(values[i] & 0xFF);
    return mac;
}
