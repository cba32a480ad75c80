// CUsbInfo: the USB transport object of Pindoro. It lists the driver's devices, opens one, finds
// the printer interface and its endpoints, selects the configuration and binds one pipe per
// endpoint, whose handles the client reads and writes itself.
#pragma once
#include "comm_info.h"
#include "usb_dev_thread.h"

#include <cstddef>

// {325DDF96-938C-11D3-9E34-0080C82727F4}: the driver's device-interface class.
extern const GUID kUsbDriverInterfaceClass;

class CUsbInfo final : public CCommInfo {
public:
    explicit CUsbInfo(int isWinNT);
    ~CUsbInfo();

    CCommInfo* Destroy(unsigned flags) override;

    int IsConnected() override;
    int Open(int restart, DWORD* deviceNumber, char* name, int* outChannel, int* hasIntIn, int* hasIntOut, int* a7,
             int* a8) override;
    BOOL Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov) override;
    BOOL Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov) override;
    // The report is cut at this many characters of text; the longest (every descriptor and string
    // the driver returns, and a whole device ID with its hex dump) would not fit the client's text.
    static constexpr size_t kPropertiesChars = 8000;
    int GetProperties(char* text) override;
    int RequestStatus(void* buffer, DWORD length, DWORD* result, OVERLAPPED* ov) override;
    int DecodeStatus(void* buffer, DWORD length, DWORD* status) override;
    int EnumDevices(int* hasIntIn, int* hasIntOut, const char* prefix, int* count, PortRow* rows) override;
    int CheckSettings(DWORD deviceNumber, int sizeIndex, int outChannel, int singleWriter, int a5, int a6,
                      int a7) override;
    int Close() override;
    int Init() override;

    // Rows of at most capacity (rows NULL: only counted); 0 when no device list could be made or a
    // device did not answer, *failure (when given) then holding the system's or the driver's status.
    int EnumerateDevices(int* count, PortRow* rows, int capacity, DWORD* failure = nullptr);
    // 1 connected; 0 not, *failure (when given) then holding the driver's status, or
    // ERROR_GEN_FAILURE when the device's descriptors lack an endpoint the pipes need.
    int Connect(DWORD* failure = nullptr);
    int FindPrinterInterface(const BYTE* set, DWORD length);
    int MapEndpoints(const BYTE* set, DWORD length);
    int DumpDescriptors(char* text, size_t capacity, const BYTE* set, DWORD length);
    void ReportError(DWORD status);

    CUsbDevRd* m_pReaderBulkIn;
    CUsbDevRd* m_pReaderIntIn;
    CUsbDevWr* m_pWriter;
    CUsbDevWr* m_pWriterBulkOut;
    CUsbDevWr* m_pWriterIntOut;
    CUsbDev m_UsbDev;
    HDEVINFO m_hDevInfo;
    GUID m_InterfaceGuid;
    int m_nOutChannel;
    int m_nDeviceNumber;
    int m_bHasIntIn;
    int m_bHasIntOut;
    int m_bSingleWriter;
    int m_bPrinterClass;

private:
    void CreatePipes();
    void DeletePipes();
    DWORD BindPipe(CUsbDevPipe* pipe, BYTE endpoint);
    void UseWriter(CUsbDevWr* writer);
    int m_bPipesSingleWriter;   // the writer mode the pipes held were made for
};
