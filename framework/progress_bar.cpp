// CProgressBar: creation; the control made here is destroyed with its object.
#include "framework/progress_bar.h"

CProgressBar::~CProgressBar()
{
    if (m_created && m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

bool CProgressBar::Create(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    m_hWnd = ::CreateWindowExA(0, PROGRESS_CLASSA, nullptr, style | WS_CHILD, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    m_created = m_hWnd != nullptr;
    return m_created;
}
