// Painting of the push buttons that carry a 16 x 16 glyph beside their caption.
#pragma once
#include <windows.h>

namespace ostrand {

void DrawGlyphButton(const DRAWITEMSTRUCT& item, HICON glyph, HFONT font);

bool IsPushButton(HWND control);

}  // namespace ostrand
