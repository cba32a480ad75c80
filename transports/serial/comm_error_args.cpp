// The argument record of communication errors 1 and 10.
#include "comm_error_args.h"
#include <cstdio>

CommErrorArgs g_CommErrorArgs;

void PostCommErrorWithArgs(CCommInfo& info, int id, const char* portName, const char* detail)
{
    g_CommErrorArgs.count = 2;
    std::snprintf(g_CommErrorArgs.portName, sizeof g_CommErrorArgs.portName, "%s", portName ? portName : "");
    std::snprintf(g_CommErrorArgs.detail, sizeof g_CommErrorArgs.detail, "%s", detail ? detail : "");
    info.PostNotify(id, &g_CommErrorArgs);
}
