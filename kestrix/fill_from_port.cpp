// FillFromPort: poll the abort event, the port and the ring until enough bytes are buffered.
#include "fill_from_port.h"

#include "dorvane.h"

#include <algorithm>

int FillFromPort(CRingBuffer& ring, unsigned want, unsigned tries, HANDLE abortEvent, int noRead,
                 const ReceivedBytesSink& sink)
{
    for (unsigned pass = 0; pass < tries; ++pass) {
        if (WaitForSingleObject(abortEvent, 0) == WAIT_OBJECT_0)
            return 2;
        if (!noRead) {
            char buffer[kFillReadChunk];
            DWORD read = 0;
            // Only the bytes count: a failed read is a poll without bytes, and the wait ends in the
            // time-out that the caller reports.
            Comm_ReadPort(nullptr, buffer, std::min<unsigned>(want, sizeof buffer), &read, nullptr);
            if (read > 0) {
                read = std::min<DWORD>(read, sizeof buffer);
                if (sink)
                    sink(buffer, read);
                ring.Put(buffer, read);
            }
        }
        if (static_cast<unsigned>(ring.GetCount()) >= want)
            return 1;
        Sleep(1);
    }
    return 0;
}
