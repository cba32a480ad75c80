// ParallelPortDevice: the stand-in's parallel port on its pipes. Handles of the system port driver
// ("\\.\LPTn") carry the printer's data both ways over their data pipe; handles of the maker's
// drivers ("\\.\VEL1284.VXD", "\\.\Orlithn") move it with their private requests, which pass
// addresses of the calling process's buffers. The port and the printer are ParallelPortModel's.
#pragma once
#include "parallel_port_model.h"
#include "printer_bridge.h"
#include "standin_device.h"

namespace standin {

class ParallelPortDevice : public StandinDevice {
public:
    ParallelPortDevice(PrinterBridge& bridge, unsigned port = 1);

    std::vector<std::string> InterfacePaths(const std::string& interfaceClass) override;
    bool Answers(const std::string& path) const override;
    std::shared_ptr<DeviceHandle> Open(const std::string& path, uint32_t& status) override;
    // "PARALLEL ..." commands of ParallelPortModel.
    std::optional<std::string> Command(const std::vector<std::string>& words) override;

private:
    class Handle;

    PrinterBridge& m_bridge;
    ParallelPortModel m_model;
};

}  // namespace standin
