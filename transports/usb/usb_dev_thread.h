// CUsbDevThread (a pipe with a pool of transfer buffers and a worker loop), the IN and OUT loops
// of CUsbDevReader and CUsbDevWriter, and CUsbDevRd / CUsbDevWr, which carry their endpoint.
// The transport uses the readers and writers as bound pipes only; the loops are their interface.
#pragma once
#include "usb_dev_pipe.h"

class CUsbDevThread : public CUsbDevPipe {
public:
    CUsbDevThread() = default;
    ~CUsbDevThread() override = default;

    virtual void ThreadHook() {}
    virtual void PrepareBuffer(CTransferBuffer* buffer);
    virtual void ProcessBuffer(CTransferBuffer* buffer) {}
    virtual void OnBufferError(CTransferBuffer* buffer) {}
    virtual void ThreadRoutine() = 0;
    virtual DWORD StopTransfers() = 0;

    CTransferPool m_Pool;
    DWORD m_dwUnused1 = 0;
    DWORD m_dwUnused2 = 0;
    int m_bTerminate = 0;
    unsigned m_nMaxErrorCount = 3;
    CTransferBuffer* m_pFirstPending = nullptr;
    CTransferBuffer* m_pLastPending = nullptr;

protected:
    // The loop both directions share: fill the pipe with buffers from the pool, complete them in
    // order, stop after more than m_nMaxErrorCount errors in a row, then drain.
    void TransferLoop(bool write);

private:
    void Append(CTransferBuffer* buffer);
    CTransferBuffer* TakeFirst();
    void Drain();
};

class CUsbDevReader : public CUsbDevThread {
public:
    void ThreadRoutine() override { TransferLoop(false); }
    DWORD StopTransfers() override { return AbortPipe(); }
};

class CUsbDevWriter : public CUsbDevThread {
public:
    void ThreadRoutine() override { TransferLoop(true); }
    DWORD StopTransfers() override { return AbortPipe(); }
};

class CUsbDevRd : public CUsbDevReader {
public:
    BYTE m_nEndpoint = 0;
};

class CUsbDevWr : public CUsbDevWriter {
public:
    BYTE m_nEndpoint = 0;
};
