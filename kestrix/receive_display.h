// The receive display: the thread that hands newly received bytes to the main dialog's lists.
#pragma once

// Thread procedure, started once by start-up with the main dialog; polls the two ring buffers
// until the dialog's display-stop or quit event is set. Returns 0.
unsigned UpdateRXDisplay(void* dialog);
