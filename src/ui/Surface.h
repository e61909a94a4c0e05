#pragma once

// The drawing surface lives in the figure library, which draws without widgets; the window
// layer adds what only a window has.
#include "figures/Surface.h"

class QWidget;

namespace tarvex {

// The background colour of a window, the ground of panels that show nothing.
Colour WindowColour(const QWidget& w);

}  // namespace tarvex
