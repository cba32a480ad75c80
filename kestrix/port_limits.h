// Sizes of the tables that the interface settings index (the stored values are positions in them).
#pragma once

constexpr unsigned kInterfaceCount = 4;     // serial, USB, parallel, Ethernet
constexpr unsigned kMaxPortRows = 50;       // port names a settings page holds
constexpr unsigned kBaudRateCount = 11;     // 115200 ... 110
constexpr unsigned kParityCount = 5;        // None, Odd, Even, Mark, Space
constexpr unsigned kFlowControlCount = 5;   // None, DSR/CTS, DSR, CTS, Xon/Xoff
constexpr unsigned kDataBitsCount = 4;      // 5, 6, 7, 8
constexpr unsigned kStopBitsCount = 3;      // 1, 1.5, 2
constexpr unsigned kOutChannelCount = 2;    // main, real time
