// Status byte of the parallel port to the transport's status word.
#include "line_status.h"
#include "parallel_codes.h"

uint32_t LineStatusWord(uint8_t statusByte)
{
    uint32_t word = 0;
    if (!(statusByte & kParallelBusy)) word |= kParWordNotBusy;
    if (!(statusByte & kParallelPaperEmpty)) word |= kParWordPaperPresent;
    if (statusByte & kParallelSelected) word |= kParWordSelected;
    return word;
}
