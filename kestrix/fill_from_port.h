// FillFromPort: the firmware engine's wait for a reply in a receive ring, reading the port itself
// when no reader thread does.
#pragma once
#include <windows.h>

#include <functional>

#include "core/ring_buffer.h"

// Bytes one poll reads from the port at most.
constexpr unsigned kFillReadChunk = 512;

// Called with the bytes a poll read, before they go into the ring (the capture file's copy).
using ReceivedBytesSink = std::function<void(const char* bytes, unsigned count)>;

// Polls up to tries times, 1 ms apart: 2 as soon as abortEvent is set, 1 once ring holds at least
// want bytes, 0 when the polls ran out. noRead nonzero: only wait (a reader thread fills the ring);
// else each poll reads what the port has (Comm_ReadPort at once) into the ring, copying it to sink.
int FillFromPort(CRingBuffer& ring, unsigned want, unsigned tries, HANDLE abortEvent, int noRead,
                 const ReceivedBytesSink& sink = {});
