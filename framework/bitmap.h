// CBitmap: an owned HBITMAP loaded from the program's resources. Include as "framework/bitmap.h".
#pragma once

#include <windows.h>

class CBitmap {
public:
    CBitmap() = default;
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // Replaces any bitmap held before; false when the resource is missing.
    bool LoadBitmap(UINT id)
    {
        DeleteObject();
        m_bitmap = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        return m_bitmap != nullptr;
    }
    void DeleteObject()
    {
        if (m_bitmap)
            ::DeleteObject(m_bitmap);
        m_bitmap = nullptr;
    }
    HBITMAP Handle() const { return m_bitmap; }
    operator HBITMAP() const { return m_bitmap; }

private:
    HBITMAP m_bitmap = nullptr;
};
