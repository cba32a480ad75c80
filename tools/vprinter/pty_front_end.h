// PtyFrontEnd: the virtual printer's serial side, a pseudo-terminal whose slave a serial port opens.
// It carries the Main channel and adds the control commands LINE, XOFF, XON, FLUSH and PTY SLOW:
//   PTY SLOW <bytes/s>   read the port's output at most that fast (0: as fast as it comes, the
//                        default), as a slow printer does: once the pty is full the port's writes wait
#pragma once
#include "control_interpreter.h"
#include "reactor.h"
#include "ticker.h"
#include <memory>
#include <string>

namespace vprinter {

// The line settings the other end configured, as the pty's termios shows them. A pty keeps no
// data bits or parity (Linux forces CS8 without PARENB), so those cannot be reported.
struct LineSettings {
    unsigned baud = 0;
    int stopBits = 1;  // 1 or 2 (a pty cannot tell 1.5)
    bool crtscts = false;
    bool ixon = false;
    bool ixoff = false;
};

class PtyFrontEnd : public ChannelOutput {
public:
    PtyFrontEnd(Reactor& reactor, PrinterModel& model);
    ~PtyFrontEnd() override;
    PtyFrontEnd(const PtyFrontEnd&) = delete;
    PtyFrontEnd& operator=(const PtyFrontEnd&) = delete;

    // Opens the pty (raw, 115200 8N1) and points `link` (if not empty) at its slave, replacing
    // whatever the link pointed to. Returns false with errno set.
    bool Open(const std::string& link);
    const std::string& SlavePath() const { return m_slavePath; }

    LineSettings Line() const;
    void Transmit(std::span<const uint8_t> bytes, bool urgent) override;

    // Adds LINE, XOFF, XON, FLUSH and PTY to the control language.
    void AddCommands(ControlInterpreter& interpreter);

private:
    void OnReady(short revents);
    void ReadSome(size_t budget);
    void Flush();
    void UpdateEvents();

    Reactor& m_reactor;
    PrinterModel& m_model;
    int m_master = -1;
    // Held open so the master never sees a hang-up when the port's user closes the slave,
    // and so the settings it made stay readable after it has gone.
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_link;
    Bytes m_output;  // bytes not yet taken by the pty, m_outputDone of them already written
    size_t m_outputDone = 0;
    size_t m_bytesPerSecond = 0;  // 0: no limit
    std::unique_ptr<Ticker> m_ticker;  // while there is a limit
};

}  // namespace vprinter
