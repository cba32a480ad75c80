// CBitmap: an owned HBITMAP loaded from the program's resources. Include as "framework/bitmap.h".
#pragma once

#include "framework/gdi_object.h"

class CBitmap : public CGdiObject<HBITMAP> {
public:
    // Replaces any bitmap held before; false when the resource is missing.
    bool LoadBitmap(UINT id) { return Own(::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id))); }
};
