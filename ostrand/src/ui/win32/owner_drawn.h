// Painting of the owner-drawn controls: the push buttons that carry a 16 x 16 glyph
// beside their caption, and Panel1.
#pragma once
#include <windows.h>

namespace ostrand {

void DrawGlyphButton(const DRAWITEMSTRUCT& item, HICON glyph, HFONT font);

bool IsPushButton(HWND control);

// Panel1: a single-line border with a raised bevel inside it.
void DrawPanel(const DRAWITEMSTRUCT& item);

}  // namespace ostrand
