// CGdiObject: ownership of one GDI handle (font, bitmap...), deleted with the object.
// Include as "framework/gdi_object.h".
#pragma once

#include <windows.h>

template <typename H>
class CGdiObject {
public:
    CGdiObject() = default;
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    void DeleteObject()
    {
        if (m_handle)
            ::DeleteObject(m_handle);
        m_handle = nullptr;
    }
    H Handle() const { return m_handle; }
    operator H() const { return m_handle; }

protected:
    // Takes ownership of h (null when the creating call failed); true when there is one.
    bool Own(H h)
    {
        DeleteObject();
        m_handle = h;
        return m_handle != nullptr;
    }

private:
    H m_handle = nullptr;
};
