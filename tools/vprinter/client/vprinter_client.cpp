// The control client over winsock (Windows tree) or POSIX sockets (host tree).
#include "vprinter_client.h"
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
namespace {
using SocketHandle = SOCKET;
constexpr intptr_t kNoSocket = static_cast<intptr_t>(INVALID_SOCKET);
int LastSocketError() { return WSAGetLastError(); }
void CloseSocket(intptr_t s) { closesocket(static_cast<SOCKET>(s)); }
}  // namespace
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
namespace {
using SocketHandle = int;
constexpr intptr_t kNoSocket = -1;
int LastSocketError() { return errno; }
void CloseSocket(intptr_t s) { close(static_cast<int>(s)); }
}  // namespace
#endif

namespace vprinter {

VPrinterClient::VPrinterClient() : m_socket(kNoSocket)
{
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
}

VPrinterClient::~VPrinterClient()
{
    Disconnect();
#ifdef _WIN32
    WSACleanup();
#endif
}

bool VPrinterClient::Connected() const { return m_socket != kNoSocket; }

void VPrinterClient::Disconnect()
{
    if (m_socket != kNoSocket) CloseSocket(m_socket);
    m_socket = kNoSocket;
    m_pending.clear();
}

bool VPrinterClient::Connect(const std::string& host, unsigned short port)
{
    Disconnect();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        m_lastError = "bad address " + host;
        return false;
    }
    SocketHandle s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (static_cast<intptr_t>(s) == kNoSocket) {
        m_lastError = "socket failed: " + std::to_string(LastSocketError());
        return false;
    }
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        m_lastError = "connect to " + host + ":" + std::to_string(port) + " failed: " + std::to_string(LastSocketError());
        CloseSocket(static_cast<intptr_t>(s));
        return false;
    }
    int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    m_socket = static_cast<intptr_t>(s);
    return true;
}

bool VPrinterClient::ConnectFromFile(const std::string& portFile)
{
    std::ifstream file(portFile);
    unsigned port = 0;
    if (!(file >> port) || port == 0 || port > 65535) {
        m_lastError = "no port in " + portFile;
        return false;
    }
    return Connect("127.0.0.1", static_cast<unsigned short>(port));
}

bool VPrinterClient::SendAll(const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        int put = send(static_cast<SocketHandle>(m_socket), text.data() + done, static_cast<int>(text.size() - done), 0);
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool VPrinterClient::ReadLine(std::string& line)
{
    for (;;) {
        size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return true;
        }
        char buffer[4096];
        int got = recv(static_cast<SocketHandle>(m_socket), buffer, sizeof buffer, 0);
        if (got <= 0) return false;
        m_pending.append(buffer, static_cast<size_t>(got));
    }
}

std::string VPrinterClient::Command(const std::string& line)
{
    if (!Connected()) return "ERR connection not open";
    std::string reply;
    if (!SendAll(line + "\n") || !ReadLine(reply)) {
        m_lastError = "connection lost: " + std::to_string(LastSocketError());
        Disconnect();
        return "ERR " + m_lastError;
    }
    return reply;
}

std::optional<ReceivedSummary> VPrinterClient::Received(const std::string& channel)
{
    std::istringstream reply(Command("RECEIVED " + channel));
    std::string ok, crcText, hex;
    ReceivedSummary summary;
    if (!(reply >> ok >> summary.length >> crcText) || ok != "OK") return std::nullopt;
    summary.crc = static_cast<uint32_t>(std::strtoul(crcText.c_str(), nullptr, 16));
    if (reply >> hex) {
        summary.bytes = FromHex(hex);
        if (!summary.bytes) return std::nullopt;
    }
    return summary;
}

std::map<std::string, std::string> VPrinterClient::Line()
{
    std::map<std::string, std::string> values;
    std::istringstream reply(Command("LINE"));
    std::string word;
    if (!(reply >> word) || word != "OK") return values;
    while (reply >> word) {
        size_t equals = word.find('=');
        if (equals != std::string::npos) values[word.substr(0, equals)] = word.substr(equals + 1);
    }
    return values;
}

}  // namespace vprinter
