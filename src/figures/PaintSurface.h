#pragma once

#include <QPainter>

#include "figures/Surface.h"

namespace tarvex {

// The drawing calls on any painter: an image, an SVG generator, a PDF page. The surface
// covers pixelWidth x pixelHeight device pixels from the painter's origin at the given
// resolution; it owns neither the painter nor its device. Text is laid out unhinted, so a
// figure measures the same on every target.
class PaintSurface : public Surface {
public:
    PaintSurface(QPainter& painter, int pixelWidth, int pixelHeight, double dpi);

    int PixelWidth() const override { return width_; }
    int PixelHeight() const override { return height_; }
    double Dpi() const { return dpi_; }

protected:
    QPainter* BeginDraw() override;
    void EndDraw(QPainter* painter) override;
    double DpiX() const override { return dpi_; }
    double DpiY() const override { return dpi_; }
    QPaintDevice* MetricsDevice() const override { return painter_.device(); }
    bool UnhintedText() const override { return true; }

private:
    QPainter& painter_;
    int width_, height_;
    double dpi_;
};

}  // namespace tarvex
