// The wizard's side picture, drawn to the control's size (and so to the
// screen's DPI): a blue gradient, two database drums joined by an arrow (the
// old library to the new), and the product's name.
#pragma once

#ifdef _WIN32

#include "platform/windows_api.h"

namespace tolvern {

// Draws the picture into an owner-drawn control (WM_DRAWITEM).
void DrawSidePicture(const DRAWITEMSTRUCT& d);

}  // namespace tolvern

#endif  // _WIN32
