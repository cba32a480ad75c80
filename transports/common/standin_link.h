// StandinLink: one connection to the stand-in driver's control pipe, carrying one request and its
// reply at a time; and StandinCommand, a test's one-line command to the stand-in.
#pragma once
#include <windows.h>

#include "standin_protocol.h"

#include <mutex>
#include <optional>
#include <string>

namespace standin {

class StandinLink {
public:
    StandinLink() = default;
    ~StandinLink() { Close(); }
    StandinLink(const StandinLink&) = delete;
    StandinLink& operator=(const StandinLink&) = delete;

    // Connects to ns + "\control", waiting up to timeoutMs for a free instance. False with the
    // system's last error set.
    bool Connect(const std::string& ns, DWORD timeoutMs = 5000);
    void Close();
    bool Connected() const { return m_pipe != INVALID_HANDLE_VALUE; }

    // Sends the request and waits for its reply; nullopt with the last error set when the
    // connection failed (the stand-in ended or the device was removed).
    std::optional<Reply> Transact(const Request& request);

private:
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    std::mutex m_lock;   // one request at a time on the connection
};

// The namespace named by KESTRIX_DRIVER_STANDIN, or empty when the real driver is used: also
// when the variable names no local pipe (IsLocalPipeNamespace), which is traced once.
std::string StandinNamespace();

// Sends a Command and returns the answer text; "ERR link <code>" when the stand-in is not reached.
std::string StandinCommand(const std::string& ns, const std::string& text);

}  // namespace standin
