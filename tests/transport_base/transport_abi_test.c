// The four transport libraries driven the way a client built by another compiler drives them: it knows
// only GetNewInfoPtr, the slot table and the fixed fields, calls each slot by index with the member
// calling convention (this in ECX, callee cleans) through a pointer of the slot's exact type, and
// expects the stack pointer back where it was. Written in C so that nothing of our C++ classes can help.
#include <windows.h>

#include <malloc.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define THISCALL __attribute__((thiscall))

typedef void* (*NewInfoFn)(HWND notifyWnd, int isWinNT);

// The slots, in table order, as the client declares them.
typedef void* (THISCALL *DestroyFn)(void* self, unsigned flags);
typedef int (THISCALL *NoArgumentFn)(void* self);   // IsConnected, CheckPortOwner, OpenPort, Close, Init
typedef int (THISCALL *OpenFn)(void* self, int restart, DWORD* portOrDevice, char* name, int* a4, int* a5, int* a6,
                               int* a7, int* a8);
typedef BOOL (THISCALL *WriteFn)(void* self, HANDLE h, const void* data, DWORD length, DWORD* written,
                                 OVERLAPPED* ov);
typedef BOOL (THISCALL *ReadFn)(void* self, HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov);
typedef int (THISCALL *GetPropertiesFn)(void* self, char* text);
typedef int (THISCALL *RequestStatusFn)(void* self, void* buffer, DWORD length, DWORD* result, OVERLAPPED* ov);
typedef int (THISCALL *DecodeStatusFn)(void* self, void* buffer, DWORD length, DWORD* status);
typedef int (THISCALL *EnumDevicesFn)(void* self, int* a1, int* a2, const char* prefix, int* count,
                                      char (*rows)[128]);
typedef int (THISCALL *CheckSettingsFn)(void* self, DWORD portOrDevice, int sizeIndex, int a3, int a4, int a5,
                                        int a6, int a7);
typedef int (THISCALL *SetDeviceParamsFn)(void* self, char* command);

enum {
    kDestroy, kIsConnected, kOpen, kWrite, kRead, kGetProperties, kRequestStatus, kDecodeStatus, kEnumDevices,
    kCheckSettings, kSetDeviceParams, kCheckPortOwner, kOpenPort, kClose, kInit
};

// The fields every transport object begins with, as the client reads them.
typedef struct {
    const void* slots;
    HANDLE hCommPortTX;
    HANDLE hCommPortRX;
    HANDLE hCommPortRXUsm;
    OVERLAPPED overlappedRX;
    OVERLAPPED overlappedTX;
    OVERLAPPED overlappedRXUsm;
    int bidirectional;
    int portAvailable;
    int opened;
    int asyncRead;
    unsigned downloadPacketSize;
    unsigned commPacketSize;
    unsigned stringPacketSize;
    DWORD readTimeout;
    int winNT;
    HWND notifyWnd;
} CommonFields;

_Static_assert(sizeof(OVERLAPPED) == 20, "the 32-bit OVERLAPPED");
_Static_assert(offsetof(CommonFields, slots) == 0, "the slot table first");
_Static_assert(offsetof(CommonFields, hCommPortTX) == 4, "m_hCommPortTX");
_Static_assert(offsetof(CommonFields, hCommPortRX) == 8, "m_hCommPortRX");
_Static_assert(offsetof(CommonFields, hCommPortRXUsm) == 12, "m_hCommPortRXUsm");
_Static_assert(offsetof(CommonFields, overlappedRX) == 16, "m_OverlappedRX");
_Static_assert(offsetof(CommonFields, overlappedTX) == 36, "m_OverlappedTX");
_Static_assert(offsetof(CommonFields, overlappedRXUsm) == 56, "m_OverlappedRXUsm");
_Static_assert(offsetof(CommonFields, bidirectional) == 76, "m_bBidirectional");
_Static_assert(offsetof(CommonFields, portAvailable) == 80, "m_bPortAvailable");
_Static_assert(offsetof(CommonFields, opened) == 84, "m_bOpened");
_Static_assert(offsetof(CommonFields, asyncRead) == 88, "m_bAsyncRead");
_Static_assert(offsetof(CommonFields, downloadPacketSize) == 92, "m_nDownloadPacketSize");
_Static_assert(offsetof(CommonFields, commPacketSize) == 96, "m_nCommPacketSize");
_Static_assert(offsetof(CommonFields, stringPacketSize) == 100, "m_nStringPacketSize");
_Static_assert(offsetof(CommonFields, readTimeout) == 104, "m_dwReadTimeout");
_Static_assert(offsetof(CommonFields, winNT) == 108, "m_bWinNT");
_Static_assert(offsetof(CommonFields, notifyWnd) == 112, "m_hNotifyWnd");
_Static_assert(sizeof(CommonFields) == 116, "the derived classes' fields follow");

#define USB_TITLE "*************************************************\r\n" \
                  "*            USB DEVICE PROPERTIES              *\r\n" \
                  "*************************************************\r\n\r\n"
#define PARALLEL_TITLE "*************************************************\r\n"                  \
                       "*            PARALLEL DEVICE PROPERTIES         *\r\n"                  \
                       "*************************************************\r\n\r\n"              \
                       "\r\n************ IEEE1284 DEVICE ID STRING **********************\r\n\r\n"

// What a new object's fields hold, read through CommonFields.
typedef struct {
    int bidirectional;
    int asyncRead;
    unsigned downloadPacketSize;
    unsigned commPacketSize;
    unsigned stringPacketSize;
    DWORD readTimeout;
} NewFields;

// What each slot answers for a new object that was never opened. Close and Init answer 1 everywhere;
// Open, called last, fails everywhere: the port it is given is not there.
typedef struct {
    const char* library;
    NewFields fields;
    const char* prefix;   // EnumDevices' prefix
    int isConnected;
    int write;
    int read;
    // Write and Read on the two ends of a pipe: 0, the bytes go through (the system's WriteFile and
    // ReadFile); else the error each one fails with.
    DWORD pipeWriteError;
    DWORD pipeReadError;
    int properties;
    const char* report;   // what GetProperties appends
    int requestStatus;
    int decodeStatus;
    int enumDevices;
    int checkSettings;
    int setDeviceParams;
    int checkPortOwner;
    int openPort;
    // Close releases the write record's event (and forgets it), and clears the opened flag; Init
    // clears the opened flag and leaves the event everywhere.
    int closeReleasesEvents;
    int closeClearsOpened;
} Expected;

// Columns: library; the new object's fields; prefix; IsConnected, Write, Read; Write and Read on a
// pipe; GetProperties and its report; RequestStatus, DecodeStatus, EnumDevices, CheckSettings,
// SetDeviceParams, CheckPortOwner, OpenPort; what Close does to the event and the opened flag.
static const Expected kTransports[] = {
    // The serial port API on a null handle fails; no line settings were given, so the owner check
    // refuses; the port named "" does not open.
    {"Vorbeck.dll", {1, 1, 4096, 8, 2, INFINITE}, "COM", 1, 0, 0, 0, 0, 1, "", 0, 1, 1, 2, 1, 0, 0, 1, 0},
    // No socket yet: Write and Read fail, each in its own way; discovery finds nobody; a reset nobody
    // confirms fails.
    {"Lumetra.dll", {1, 1, 16384, 4096, 16384, 100}, NULL, 1, 0, 0, ERROR_WRITE_FAULT, ERROR_READ_FAULT, 1, "",
     1, 1, 1, 2, 0, 1, 1, 1, 0},
    // No device open: the report stops after its title, the status request is not made.
    {"Pindoro.dll", {1, 1, 16384, 4096, 16384, 100}, NULL, 0, 0, 0, 0, 0, 0, USB_TITLE, 1, 0, 1, 1, 1, 1, 1, 0,
     0},
    // No status poll answers the device-ID request of the report.
    {"Tasquel.dll", {0, 1, 4096, 256, 4096, INFINITE}, "LPT", 1, 0, 0, 0, 0, 1,
     PARALLEL_TITLE "get device ID timeout error", 0, 1, 1, 2, 1, 1, 0, 1, 1},
};

static int g_failures;

static void Fail(const char* library, const char* what, long got, long want)
{
    printf("FAILED %s: %s gave %ld, expected %ld\n", library, what, got, want);
    ++g_failures;
}

// Calls through a slot and checks the callee cleaned exactly the arguments of the slot's type.
#define CALL_SLOT(result, library, what, call)                                   \
    do {                                                                         \
        uintptr_t before_, after_;                                               \
        __asm__ __volatile__("movl %%esp, %0" : "=r"(before_) : : "memory");     \
        result = call;                                                           \
        __asm__ __volatile__("movl %%esp, %0" : "=r"(after_) : : "memory");      \
        if (before_ != after_)                                                   \
            Fail(library, what " (stack pointer moved by)", (long)(after_ - before_), 0); \
    } while (0)

#define EXPECT_RESULT(library, what, got, want) \
    do {                                        \
        if ((long)(got) != (long)(want))        \
            Fail(library, what, (long)(got), (long)(want)); \
    } while (0)

static void* Slot(void* object, int index)
{
    void* const* table = *(void* const* const*)object;
    return table[index];
}

// A new object made for window on the NT family: its fields, read at their fixed offsets.
static void CheckNewFields(const Expected* e, void* object, HWND window)
{
    const char* lib = e->library;
    const CommonFields* f = (const CommonFields*)object;
    EXPECT_RESULT(lib, "m_hCommPortTX", (intptr_t)f->hCommPortTX, 0);
    EXPECT_RESULT(lib, "m_hCommPortRX", (intptr_t)f->hCommPortRX, 0);
    EXPECT_RESULT(lib, "m_hCommPortRXUsm", (intptr_t)f->hCommPortRXUsm, 0);
    EXPECT_RESULT(lib, "m_OverlappedRX.hEvent", (intptr_t)f->overlappedRX.hEvent, 0);
    EXPECT_RESULT(lib, "m_OverlappedTX.hEvent", (intptr_t)f->overlappedTX.hEvent, 0);
    EXPECT_RESULT(lib, "m_bBidirectional", f->bidirectional, e->fields.bidirectional);
    EXPECT_RESULT(lib, "m_bPortAvailable", f->portAvailable, 1);
    EXPECT_RESULT(lib, "m_bOpened", f->opened, 0);
    EXPECT_RESULT(lib, "m_bAsyncRead", f->asyncRead, e->fields.asyncRead);
    EXPECT_RESULT(lib, "m_nDownloadPacketSize", f->downloadPacketSize, e->fields.downloadPacketSize);
    EXPECT_RESULT(lib, "m_nCommPacketSize", f->commPacketSize, e->fields.commPacketSize);
    EXPECT_RESULT(lib, "m_nStringPacketSize", f->stringPacketSize, e->fields.stringPacketSize);
    EXPECT_RESULT(lib, "m_dwReadTimeout", f->readTimeout, e->fields.readTimeout);
    EXPECT_RESULT(lib, "m_bWinNT", f->winNT, 1);
    EXPECT_RESULT(lib, "m_hNotifyWnd", (intptr_t)f->notifyWnd, (intptr_t)window);
}

// A Write or Read on the pipe: it failed with wantError, or (wantError 0) moved all 4 bytes.
static void ExpectPipeResult(const char* lib, const char* what, long r, DWORD error, DWORD done, DWORD wantError)
{
    char text[64];
    snprintf(text, sizeof text, wantError ? "%s's error" : "%s's bytes", what);
    EXPECT_RESULT(lib, what, r, wantError ? 0 : 1);
    EXPECT_RESULT(lib, text, wantError ? error : done, wantError ? wantError : 4);
}

// Write and Read are told apart on a pipe: what the Write slot sends, the Read slot gets back (or
// each fails with its own error).
static void WriteThenReadThroughAPipe(const Expected* e, void* object)
{
    const char* lib = e->library;
    HANDLE readEnd = NULL, writeEnd = NULL;
    if (!CreatePipe(&readEnd, &writeEnd, NULL, 0)) {
        Fail(lib, "CreatePipe", 0, 1);
        return;
    }
    long r;
    char sent[] = "slot";
    DWORD done = 0;
    SetLastError(0);
    CALL_SLOT(r, lib, "Write on a pipe", ((WriteFn)Slot(object, kWrite))(object, writeEnd, sent, 4, &done, NULL));
    ExpectPipeResult(lib, "Write on a pipe", r, GetLastError(), done, e->pipeWriteError);
    char got[8] = {0};
    done = 0;
    SetLastError(0);
    CALL_SLOT(r, lib, "Read on a pipe",
              ((ReadFn)Slot(object, kRead))(object, readEnd, got, e->pipeWriteError ? 0 : 4, &done, NULL));
    ExpectPipeResult(lib, "Read on a pipe", r, GetLastError(), done, e->pipeReadError);
    if (!e->pipeReadError && memcmp(got, sent, 4) != 0) {
        printf("FAILED %s: Read gave \"%.4s\" for \"%s\"\n", lib, got, sent);
        ++g_failures;
    }
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
}

// Close and Init are told apart by what they leave of an event in the write record and of the
// opened flag. The event is the test's; it is taken back before anything else could use it.
static void CloseAndInitTellTheirWork(const Expected* e, void* object)
{
    const char* lib = e->library;
    CommonFields* f = (CommonFields*)object;
    long r;
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    f->overlappedTX.hEvent = event;
    f->opened = 7;
    CALL_SLOT(r, lib, "Init", ((NoArgumentFn)Slot(object, kInit))(object));
    EXPECT_RESULT(lib, "Init", r, 1);
    EXPECT_RESULT(lib, "Init's opened flag", f->opened, 0);
    EXPECT_RESULT(lib, "Init kept the write event", f->overlappedTX.hEvent == event, 1);

    f->opened = 7;
    CALL_SLOT(r, lib, "Close", ((NoArgumentFn)Slot(object, kClose))(object));
    EXPECT_RESULT(lib, "Close", r, 1);
    EXPECT_RESULT(lib, "Close's opened flag", f->opened, e->closeClearsOpened ? 0 : 7);
    EXPECT_RESULT(lib, "Close released the write event", f->overlappedTX.hEvent == NULL, e->closeReleasesEvents);
    DWORD flags = 0;
    EXPECT_RESULT(lib, "the write event after Close is a handle", GetHandleInformation(event, &flags),
                  !e->closeReleasesEvents);
    if (f->overlappedTX.hEvent == event) {
        f->overlappedTX.hEvent = NULL;
        CloseHandle(event);
    }
    f->opened = 0;
}

static void DriveNewObject(const Expected* e, void* object)
{
    const char* lib = e->library;
    long r;

    CALL_SLOT(r, lib, "IsConnected", ((NoArgumentFn)Slot(object, kIsConnected))(object));
    EXPECT_RESULT(lib, "IsConnected", r, e->isConnected);

    char data[16] = "data";
    DWORD done = 0;
    OVERLAPPED ov;
    memset(&ov, 0, sizeof ov);
    CALL_SLOT(r, lib, "Write", ((WriteFn)Slot(object, kWrite))(object, NULL, data, 4, &done, &ov));
    EXPECT_RESULT(lib, "Write", r, e->write);
    CALL_SLOT(r, lib, "Read", ((ReadFn)Slot(object, kRead))(object, NULL, data, sizeof data, &done, &ov));
    EXPECT_RESULT(lib, "Read", r, e->read);
    WriteThenReadThroughAPipe(e, object);

    // The report goes after what the text holds.
    static char text[8192];
    memset(text, 0, sizeof text);
    strcpy(text, "Kept: ");
    CALL_SLOT(r, lib, "GetProperties", ((GetPropertiesFn)Slot(object, kGetProperties))(object, text));
    EXPECT_RESULT(lib, "GetProperties", r, e->properties);
    if (strncmp(text, "Kept: ", 6) != 0 || strcmp(text + 6, e->report) != 0) {
        printf("FAILED %s: GetProperties appended \"%s\"\n", lib, text + 6);
        ++g_failures;
    }

    BYTE reply[512];
    DWORD count = 0;
    CALL_SLOT(r, lib, "RequestStatus",
              ((RequestStatusFn)Slot(object, kRequestStatus))(object, reply, sizeof reply, &count, &ov));
    EXPECT_RESULT(lib, "RequestStatus", r, e->requestStatus);
    DWORD status = 0xF0;
    CALL_SLOT(r, lib, "DecodeStatus", ((DecodeStatusFn)Slot(object, kDecodeStatus))(object, reply, 0, &status));
    EXPECT_RESULT(lib, "DecodeStatus", r, e->decodeStatus);
    EXPECT_RESULT(lib, "DecodeStatus's word (not to be touched)", status, 0xF0);

    // No rows: only the count, which finds nothing here.
    int a1 = 0, a2 = 0, listed = 0;
    CALL_SLOT(r, lib, "EnumDevices",
              ((EnumDevicesFn)Slot(object, kEnumDevices))(object, &a1, &a2, e->prefix, &listed, NULL));
    EXPECT_RESULT(lib, "EnumDevices", r, e->enumDevices);
    EXPECT_RESULT(lib, "EnumDevices' count", listed, 0);

    CALL_SLOT(r, lib, "CheckSettings",
              ((CheckSettingsFn)Slot(object, kCheckSettings))(object, 0, 8, 0, 1, 0, 0, 0));
    EXPECT_RESULT(lib, "CheckSettings", r, e->checkSettings);

    char command[] = "IP=REST\x01\x02\x03\x04\x05\x06";
    CALL_SLOT(r, lib, "SetDeviceParams", ((SetDeviceParamsFn)Slot(object, kSetDeviceParams))(object, command));
    EXPECT_RESULT(lib, "SetDeviceParams", r, e->setDeviceParams);

    CALL_SLOT(r, lib, "CheckPortOwner", ((NoArgumentFn)Slot(object, kCheckPortOwner))(object));
    EXPECT_RESULT(lib, "CheckPortOwner", r, e->checkPortOwner);
    CALL_SLOT(r, lib, "OpenPort", ((NoArgumentFn)Slot(object, kOpenPort))(object));
    EXPECT_RESULT(lib, "OpenPort", r, e->openPort);
    CloseAndInitTellTheirWork(e, object);

    // Serial and parallel: the port named ""; USB: device 2130706433; Ethernet: 127.0.0.1, whose
    // port 1 refuses every channel. The ints are valid line settings for the serial transport.
    DWORD port = 0x7F000001;
    char name[64] = "";
    int a4 = 1, a5 = 1, a6 = 1, a7 = 0, a8 = 0;
    CALL_SLOT(r, lib, "Open", ((OpenFn)Slot(object, kOpen))(object, 0, &port, name, &a4, &a5, &a6, &a7, &a8));
    EXPECT_RESULT(lib, "Open", r, 0);
}

// Slot 0 with the free flag; the object comes back.
static void DestroyObject(const char* lib, void* object)
{
    void* result;
    CALL_SLOT(result, lib, "Destroy", ((DestroyFn)Slot(object, kDestroy))(object, 1));
    if (result != object) {
        printf("FAILED %s: Destroy returned %p for %p\n", lib, result, object);
        ++g_failures;
    }
}

// Slot 0 without the free flag runs the destructors and keeps the storage, which the client then
// frees itself (the transports allocate with the C runtime's heap, as this program does).
static void DestroyWithoutFreeing(const char* lib, NewInfoFn factory)
{
    void* object = factory(NULL, 1);
    if (!object) {
        Fail(lib, "GetNewInfoPtr", 0, 1);
        return;
    }
    void* result;
    CALL_SLOT(result, lib, "Destroy without freeing", ((DestroyFn)Slot(object, kDestroy))(object, 0));
    if (result != object) {
        printf("FAILED %s: Destroy(0) returned %p for %p\n", lib, result, object);
        ++g_failures;
    }
    size_t kept = _msize(object);
    if (kept == (size_t)-1 || kept < sizeof(CommonFields)) {
        printf("FAILED %s: Destroy(0) let the object's storage go\n", lib);
        ++g_failures;
        return;
    }
    free(object);
}

// Bytes allocated in every heap of the process.
static SIZE_T HeapBytesInUse(void)
{
    HANDLE heaps[256];
    DWORD n = GetProcessHeaps(256, heaps);
    SIZE_T total = 0;
    for (DWORD i = 0; i < n && i < 256; ++i) {
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = NULL;
        if (!HeapLock(heaps[i]))
            continue;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

// Objects made and destroyed 1,000 times leave the heap as it was (a leak of the smallest object
// would be a couple of hundred kilobytes).
static int CreateAndDestroy(const char* lib, NewInfoFn factory, int cycles)
{
    for (int i = 0; i < cycles; ++i) {
        void* object = factory(NULL, 1);
        if (!object) {
            Fail(lib, "GetNewInfoPtr in the cycles", 0, 1);
            return 0;
        }
        DestroyObject(lib, object);
    }
    return 1;
}

static void CreateAndDestroyLeavesNothing(const char* lib, NewInfoFn factory)
{
    const int kCycles = 1000;
    const SIZE_T kSlack = 16 * 1024;
    if (!CreateAndDestroy(lib, factory, 10))   // first uses of the system may keep something
        return;
    SIZE_T before = HeapBytesInUse();
    if (!CreateAndDestroy(lib, factory, kCycles))
        return;
    SIZE_T after = HeapBytesInUse();
    if (before == 0 || after > before + kSlack) {
        printf("FAILED %s: heap in use %lu bytes before %d cycles, %lu after\n", lib, (unsigned long)before,
               kCycles, (unsigned long)after);
        ++g_failures;
    }
}

int main(void)
{
    // The notify window the objects are made for; what they post to it stays in this thread's queue.
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    if (!window) {
        printf("FAILED: no notify window (error %lu)\n", GetLastError());
        return 1;
    }
    for (size_t i = 0; i < sizeof kTransports / sizeof kTransports[0]; ++i) {
        const Expected* e = &kTransports[i];
        HMODULE module = LoadLibraryA(e->library);
        NewInfoFn factory = module ? (NewInfoFn)(void*)GetProcAddress(module, "GetNewInfoPtr") : NULL;
        if (!factory) {
            printf("FAILED %s: not loaded or no GetNewInfoPtr (error %lu)\n", e->library, GetLastError());
            ++g_failures;
            continue;
        }
        void* object = factory(window, 1);
        if (!object) {
            Fail(e->library, "GetNewInfoPtr", 0, 1);
            continue;
        }
        CheckNewFields(e, object, window);
        DriveNewObject(e, object);
        DestroyObject(e->library, object);
        DestroyWithoutFreeing(e->library, factory);
        CreateAndDestroyLeavesNothing(e->library, factory);
        printf("%s: %s\n", e->library, g_failures ? "checked, with failures so far" : "every slot as expected");
    }
    printf(g_failures ? "%d failures\n" : "passed\n", g_failures);
    return g_failures ? 1 : 0;
}
