// The base of every transport object: defaults and the two notifications.
#include "comm_info.h"

CCommInfo::CCommInfo(int isWinNT)
{
    m_bBidirectional = 0;
    m_bPortAvailable = 1;
    m_bWinNT = isWinNT;
    ZeroMemory(&m_OverlappedTX, sizeof m_OverlappedTX);
    ZeroMemory(&m_OverlappedRX, sizeof m_OverlappedRX);
    // The rest is each transport's to set; start from known values all the same.
    m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
    ZeroMemory(&m_OverlappedRXUsm, sizeof m_OverlappedRXUsm);
    m_bOpened = 0;
    m_bAsyncRead = 0;
    m_nDownloadPacketSize = m_nCommPacketSize = m_nStringPacketSize = 0;
    m_dwReadTimeout = INFINITE;
    m_hNotifyWnd = nullptr;
}

int CCommInfo::IsConnected() { return 1; }
int CCommInfo::GetProperties(char*) { return 1; }
int CCommInfo::SetDeviceParams(char*) { return 1; }
int CCommInfo::CheckPortOwner() { return 1; }
int CCommInfo::OpenPort() { return 1; }

void CCommInfo::PostNotify(int id, CommErrorArgs* args)
{
    PostMessageA(m_hNotifyWnd, WM_COMM_ERROR, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(args));
}

void CCommInfo::PostError(DWORD code)
{
    PostMessageA(m_hNotifyWnd, WM_SYSTEM_ERROR, code, 0);
}
