// UsbPrinterDevice: the stand-in's model of a printer on the maker's USB driver: the device,
// configuration, interface and endpoint descriptors of a printer-class interface, the driver's
// control requests with their codes and statuses, the printer-class device ID and port status,
// and the endpoints' data carried to and from the virtual printer (bulk OUT -> main, interrupt
// OUT -> real time, main -> bulk IN, USM -> interrupt IN).
// Test commands:
//   USB UNPLUG | PLUG             the device goes away (every handle's pipes break) / comes back
//   USB STATUS <hex byte>         the printer-class port status byte (default 18: selected, no error)
//   USB STATUS DELAY <ms>         each port status answer waits ms (a slow printer); 0 answers at once
//                                 and releases the answers waiting
//   USB ENDPOINTS <hex,...>       the endpoint addresses the interface offers (default 81,02,83,04;
//                                 endpoint numbers 1-2 are bulk, 3 and up interrupt)
//   USB COUNT                     OK <handles open> <configuration value>
//   USB CONFIGURATION <n>         the configuration value the device reports from now on (its pipes
//                                 stay bound: 0 is a device that lost its configuration)
//   USB VERSION <hex>             the interface version the driver information reports (default 0141)
#pragma once
#include "printer_bridge.h"
#include "standin_device.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace standin {

class UsbPrinterDevice : public StandinDevice {
public:
    explicit UsbPrinterDevice(PrinterBridge& bridge);

    std::vector<std::string> InterfacePaths(const std::string& interfaceClass) override;
    bool Answers(const std::string& path) const override;
    std::shared_ptr<DeviceHandle> Open(const std::string& path, uint32_t& status) override;
    std::optional<std::string> Command(const std::vector<std::string>& words) override;

    // The descriptor set the configuration descriptor request returns, for the endpoints given.
    static Bytes ConfigurationDescriptors(const std::vector<uint8_t>& endpoints);

private:
    class Handle;
    friend class Handle;

    Reply Control(Handle& handle, uint32_t code, const Bytes& input, uint32_t outCapacity);
    static bool IsPortStatusRequest(uint32_t code, const Bytes& input);
    void HoldStatusAnswer(Handle& handle);
    Reply Descriptor(const Bytes& input);
    Reply ClassRequest(const Bytes& input);
    void Unplug();

    PrinterBridge& m_bridge;
    std::mutex m_lock;
    bool m_present = true;
    uint8_t m_configuration = 0;
    uint8_t m_portStatus = 0x18;
    uint16_t m_driverVersion = 0x0141;
    std::vector<uint8_t> m_endpoints{0x81, 0x02, 0x83, 0x04};
    std::vector<std::weak_ptr<Handle>> m_handles;
    std::atomic<DWORD> m_statusDelayMs{0};
};

}  // namespace standin
