// CFont: an owned HFONT. Include as "framework/font.h".
#pragma once

#include <windows.h>

class CFont {
public:
    CFont() = default;
    ~CFont() { DeleteObject(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // The parameters of CreateFontA; replaces any font held before.
    bool CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                    BYTE quality, BYTE pitchAndFamily, const char* faceName)
    {
        DeleteObject();
        m_font = ::CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                               outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
        return m_font != nullptr;
    }
    bool CreateFontIndirect(const LOGFONTA& lf)
    {
        DeleteObject();
        m_font = ::CreateFontIndirectA(&lf);
        return m_font != nullptr;
    }
    void DeleteObject()
    {
        if (m_font)
            ::DeleteObject(m_font);
        m_font = nullptr;
    }
    HFONT Handle() const { return m_font; }
    operator HFONT() const { return m_font; }

private:
    HFONT m_font = nullptr;
};
