// The stand-in's TCP link to the virtual printer.
#include "printer_bridge.h"

#include <ws2tcpip.h>

#include <cstdlib>

namespace standin {

PrinterBridge::PrinterBridge()
{
    WSADATA data;
    m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    for (Link& link : m_links) link.hasIncoming = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

PrinterBridge::~PrinterBridge()
{
    for (Link& link : m_links) {
        if (link.socket != INVALID_SOCKET) {
            shutdown(link.socket, SD_BOTH);
            closesocket(link.socket);
        }
        if (link.receiver.joinable()) link.receiver.join();
        CloseHandle(link.hasIncoming);
    }
    if (m_started) WSACleanup();
}

bool PrinterBridge::Connect(const std::string& where, std::string& error)
{
    size_t colon = where.rfind(':');
    if (colon == std::string::npos) {
        error = "expected HOST:MAIN,RT,USM";
        return false;
    }
    std::string host = where.substr(0, colon);
    std::string ports = where.substr(colon + 1);
    for (int i = 0; i < kPrinterChannels; ++i) {
        size_t comma = ports.find(',');
        int port = std::atoi(ports.substr(0, comma).c_str());
        ports = comma == std::string::npos ? std::string() : ports.substr(comma + 1);
        if (port <= 0 || port > 65535) {
            error = "bad port in " + where;
            return false;
        }
        Link& link = m_links[i];
        link.socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = inet_addr(host.c_str());
        if (link.socket == INVALID_SOCKET ||
            connect(link.socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            error = "cannot connect to " + host + ":" + std::to_string(port) + " (" +
                    std::to_string(WSAGetLastError()) + ")";
            return false;
        }
        int on = 1;
        setsockopt(link.socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        link.receiver = std::thread([this, &link] { Receive(link); });
    }
    return true;
}

void PrinterBridge::Receive(Link& link)
{
    char buffer[16384];
    for (;;) {
        int got = recv(link.socket, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        std::lock_guard<std::mutex> hold(link.lock);
        link.incoming.insert(link.incoming.end(), buffer, buffer + got);
        SetEvent(link.hasIncoming);
    }
}

bool PrinterBridge::Send(PrinterChannel channel, const void* data, size_t length)
{
    Link& link = m_links[static_cast<int>(channel)];
    if (link.socket == INVALID_SOCKET) return false;
    std::lock_guard<std::mutex> hold(link.sendLock);
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        int sent = send(link.socket, p, static_cast<int>(length), 0);
        if (sent <= 0) return false;
        p += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

bool PrinterBridge::WaitIncoming(PrinterChannel channel, HANDLE stop, DWORD timeoutMs)
{
    Link& link = m_links[static_cast<int>(channel)];
    HANDLE waits[2] = {link.hasIncoming, stop};
    return WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, timeoutMs) == WAIT_OBJECT_0;
}

std::vector<uint8_t> PrinterBridge::PeekIncoming(PrinterChannel channel, size_t max)
{
    Link& link = m_links[static_cast<int>(channel)];
    std::lock_guard<std::mutex> hold(link.lock);
    size_t n = link.incoming.size() < max ? link.incoming.size() : max;
    return std::vector<uint8_t>(link.incoming.begin(), link.incoming.begin() + static_cast<std::ptrdiff_t>(n));
}

void PrinterBridge::ConsumeIncoming(PrinterChannel channel, size_t count)
{
    Link& link = m_links[static_cast<int>(channel)];
    std::lock_guard<std::mutex> hold(link.lock);
    if (count > link.incoming.size()) count = link.incoming.size();
    link.incoming.erase(link.incoming.begin(), link.incoming.begin() + static_cast<std::ptrdiff_t>(count));
    if (link.incoming.empty()) ResetEvent(link.hasIncoming);
}

}  // namespace standin
