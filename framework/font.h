// CFont: an owned HFONT. Include as "framework/font.h".
#pragma once

#include "framework/gdi_object.h"

class CFont : public CGdiObject<HFONT> {
public:
    // The parameters of CreateFontA; replaces any font held before.
    bool CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                    BYTE quality, BYTE pitchAndFamily, const char* faceName)
    {
        return Own(::CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                                 charSet, outPrecision, clipPrecision, quality, pitchAndFamily, faceName));
    }
    bool CreateFontIndirect(const LOGFONTA& lf) { return Own(::CreateFontIndirectA(&lf)); }
};
