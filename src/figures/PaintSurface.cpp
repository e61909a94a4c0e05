#include "figures/PaintSurface.h"

namespace tarvex {

PaintSurface::PaintSurface(QPainter& painter, int pixelWidth, int pixelHeight, double dpi)
    : painter_(painter),
      width_(std::max(pixelWidth, 1)),
      height_(std::max(pixelHeight, 1)),
      dpi_(dpi)
{
    ResetCurrentPosition();
}

QPainter* PaintSurface::BeginDraw()
{
    if (!painter_.isActive()) return nullptr;
    // Each call sets its own pen, font and hints; the painter is left as found.
    painter_.save();
    return &painter_;
}

void PaintSurface::EndDraw(QPainter* painter)
{
    painter->restore();
}

}  // namespace tarvex
