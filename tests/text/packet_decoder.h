// A receiver of Lottery and Kiosk packets written from the framing rules, fed in pieces as a
// port would deliver them; used to check the framers without trusting their code.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

class PacketDecoder {
public:
    enum class Kind { Lottery, Kiosk };
    explicit PacketDecoder(Kind kind) : m_kind(kind) {}

    void Feed(std::span<const unsigned char> piece)
    {
        for (unsigned char b : piece)
            Step(b);
    }
    const std::vector<std::vector<unsigned char>>& Packets() const { return m_packets; }
    int Errors() const { return m_errors; }
    bool Idle() const { return m_state == State::Idle; }

private:
    enum class State { Idle, Data, Escaped, Checksum };

    void Step(unsigned char b)
    {
        switch (m_state) {
        case State::Idle:
            if (b == 0x02) {
                m_state = State::Data;
                m_data.clear();
                m_sum = 0;
            } else {
                ++m_errors;     // bytes between packets
            }
            break;
        case State::Data:
            if (m_kind == Kind::Lottery && b == 0x1A) {
                m_state = State::Escaped;
            } else if (m_kind == Kind::Kiosk && b == 0x10) {
                m_state = State::Escaped;
            } else if (b == 0x03) {
                if (m_kind == Kind::Lottery) {
                    m_sum += 0x03;
                    m_state = State::Checksum;
                } else {
                    End();
                }
            } else if (b == 0x02) {
                ++m_errors;     // an unescaped STX inside a packet
            } else {
                Keep(b);
            }
            break;
        case State::Escaped:
            if (m_kind == Kind::Lottery) {
                unsigned char original = static_cast<unsigned char>(~b);
                if (original != 0x02 && original != 0x03 && original != 0x1A)
                    ++m_errors;
                Keep(original);
            } else {
                if (b != 0x02 && b != 0x03 && b != 0x10)
                    ++m_errors;
                Keep(b);
            }
            m_state = State::Data;
            break;
        case State::Checksum:
            if (static_cast<std::uint8_t>(m_sum + b) != 0)
                ++m_errors;
            End();
            break;
        }
    }
    void Keep(unsigned char b)
    {
        m_data.push_back(b);
        m_sum = static_cast<std::uint8_t>(m_sum + b);
    }
    void End()
    {
        m_packets.push_back(m_data);
        m_state = State::Idle;
    }

    Kind m_kind;
    State m_state = State::Idle;
    std::vector<unsigned char> m_data;
    std::uint8_t m_sum = 0;
    std::vector<std::vector<unsigned char>> m_packets;
    int m_errors = 0;
};
