// GetErrorText: the text of a USB driver status or system error code. No Windows header.
#pragma once
#include <cstdint>

// Writes "Error code 0x%08X: <text>" into buffer (cut to size - 1 characters, terminated) and
// returns buffer; a NULL buffer or a size of 0 returns buffer untouched.
char* GetErrorText(char* buffer, int size, uint32_t status);
