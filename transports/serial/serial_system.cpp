// The real system calls behind SerialSystem.
#include "serial_system.h"
#include <winspool.h>

const SerialSystem& RealSerialSystem()
{
    static const SerialSystem real = {::GetCommModemStatus, ::WaitCommEvent, ::ClearCommError, ::EnumPrintersA,
                                       ::SetCommState, ::SetupComm};
    return real;
}
