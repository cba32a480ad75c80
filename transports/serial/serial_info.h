// CSerialInfo: the serial port transport (COM1 and the like) behind Vorbeck's GetNewInfoPtr.
#pragma once
#include "comm_info.h"
#include "serial_system.h"
#include <memory>

// Line settings by the indices the main program stores ("Baud Rate", "Parity", "Data Bits", "Stop Bits").
constexpr DWORD kBaudRates[] = {115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200, 600, 300, 110};
constexpr BYTE kParityValues[] = {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY};
constexpr BYTE kDataBits[] = {5, 6, 7, 8};
constexpr BYTE kStopBits[] = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};

// "Flow Control": 0 none, 1 DSR/CTS, 2 DSR, 3 CTS, 4 XON/XOFF.
enum SerialFlowControl { kFlowNone = 0, kFlowDsrCts = 1, kFlowDsr = 2, kFlowCts = 3, kFlowXonXoff = 4 };

// DecodeStatus bit: output is not held by a received XOFF (flow control 4 only).
constexpr DWORD kStatusNotXoffHeld = 0x100;

class CSerialInfo final : public CCommInfo {
public:
    explicit CSerialInfo(int isWinNT, const SerialSystem& system = RealSerialSystem());
    ~CSerialInfo();

    CCommInfo* Destroy(unsigned flags) override;

    int Open(int restart, DWORD* port, char* name, int* baud, int* parity, int* flow, int* dataBits,
             int* stopBits) override;
    BOOL Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov) override;
    BOOL Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov) override;
    int RequestStatus(void* buffer, DWORD length, DWORD* result, OVERLAPPED* ov) override;
    int DecodeStatus(void* buffer, DWORD length, DWORD* status) override;
    int EnumDevices(int* a1, int* a2, const char* prefix, int* count, PortRow* rows) override;
    int CheckSettings(DWORD port, int sizeIndex, int baud, int parity, int flow, int dataBits, int stopBits) override;
    int CheckPortOwner() override;
    int OpenPort() override;
    int Close() override;
    int Init() override;

    // The port's transmit FIFO size in its device settings (Open asks for 1).
    int SetTxFifo(int want);
    // Whether the port's device names itself a Bluetooth port; 0 when its device is not found.
    int IsBluetoothPort(int* isBluetooth);
    // Applies the line settings and time-outs: ERROR_SUCCESS, or the error of the call that failed.
    // Queue sizes the port refuses are reported and do not fail it.
    DWORD ApplyCommState();

    char m_szPortName[12];
    std::unique_ptr<DCB> m_pDcb;
    COMMTIMEOUTS m_ctoApplied;
    COMMTIMEOUTS m_ctoSaved;
    int m_nPortIndex;
    int m_nBaudIndex;
    int m_nParityIndex;
    int m_nFlowControl;
    int m_nDataBitsIndex;
    int m_nStopBitsIndex;
    int m_nSizeIndex;

private:
    // After a failed Open: the port counts as never opened, so the next CheckSettings asks for an Open.
    void ForgetSettings();
    bool LoadLineSettings();
    void CloseEvents();
    // Makes the two overlapped events: ERROR_SUCCESS, or the error of the one that failed.
    DWORD CreateEvents();

    const SerialSystem* m_pSystem;
};
