// The four transport libraries driven the way a client built by another compiler drives them: it knows
// only GetNewInfoPtr and the slot table, calls each slot by index with the member calling convention
// (this in ECX, callee cleans) through a pointer of the slot's exact type, and expects the stack
// pointer back where it was. Written in C so that nothing of our C++ classes can help.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
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

#define USB_TITLE "*************************************************\r\n" \
                  "*            USB DEVICE PROPERTIES              *\r\n" \
                  "*************************************************\r\n\r\n"
#define PARALLEL_TITLE "*************************************************\r\n"                  \
                       "*            PARALLEL DEVICE PROPERTIES         *\r\n"                  \
                       "*************************************************\r\n\r\n"              \
                       "\r\n************ IEEE1284 DEVICE ID STRING **********************\r\n\r\n"

// What each slot answers for a new object that was never opened. Close and Init answer 1 everywhere;
// Open, called last, fails everywhere: the port it is given is not there.
typedef struct {
    const char* library;
    const char* prefix;   // EnumDevices' prefix
    int isConnected;
    int write;
    int read;
    int properties;
    const char* report;   // what GetProperties appends
    int requestStatus;
    int decodeStatus;
    int enumDevices;
    int checkSettings;
    int setDeviceParams;
    int checkPortOwner;
    int openPort;
} Expected;

// Columns: library, prefix; IsConnected, Write, Read; GetProperties and its report; RequestStatus,
// DecodeStatus, EnumDevices, CheckSettings, SetDeviceParams, CheckPortOwner, OpenPort.
static const Expected kTransports[] = {
    // The serial port API on a null handle fails; no line settings were given, so the owner check
    // refuses; the port named "" does not open.
    {"Vorbeck.dll", "COM", 1, 0, 0, 1, "", 0, 1, 1, 2, 1, 0, 0},
    // No socket yet: Write and Read fail; discovery finds nobody; a reset nobody confirms fails.
    {"Lumetra.dll", NULL, 1, 0, 0, 1, "", 1, 1, 1, 2, 0, 1, 1},
    // No device open: the report stops after its title, the status request is not made.
    {"Pindoro.dll", NULL, 0, 0, 0, 0, USB_TITLE, 1, 0, 1, 1, 1, 1, 1},
    // No status poll answers the device-ID request of the report.
    {"Tasquel.dll", "LPT", 1, 0, 0, 1, PARALLEL_TITLE "get device ID timeout error", 0, 1, 1, 2, 1, 1, 0},
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
    CALL_SLOT(r, lib, "Close", ((NoArgumentFn)Slot(object, kClose))(object));
    EXPECT_RESULT(lib, "Close", r, 1);
    CALL_SLOT(r, lib, "Init", ((NoArgumentFn)Slot(object, kInit))(object));
    EXPECT_RESULT(lib, "Init", r, 1);

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
    for (size_t i = 0; i < sizeof kTransports / sizeof kTransports[0]; ++i) {
        const Expected* e = &kTransports[i];
        HMODULE module = LoadLibraryA(e->library);
        NewInfoFn factory = module ? (NewInfoFn)(void*)GetProcAddress(module, "GetNewInfoPtr") : NULL;
        if (!factory) {
            printf("FAILED %s: not loaded or no GetNewInfoPtr (error %lu)\n", e->library, GetLastError());
            ++g_failures;
            continue;
        }
        void* object = factory(NULL, 1);
        if (!object) {
            Fail(e->library, "GetNewInfoPtr", 0, 1);
            continue;
        }
        DriveNewObject(e, object);
        DestroyObject(e->library, object);
        CreateAndDestroyLeavesNothing(e->library, factory);
        printf("%s: %s\n", e->library, g_failures ? "checked, with failures so far" : "every slot as expected");
    }
    printf(g_failures ? "%d failures\n" : "passed\n", g_failures);
    return g_failures ? 1 : 0;
}
