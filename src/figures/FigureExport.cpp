#include "figures/FigureExport.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "data/AtomicFile.h"
#include "figures/PaintSurface.h"

namespace tarvex::fig {

int PixelsOf(double mm, double dpi)
{
    return std::max(1, static_cast<int>(std::lround(mm / 25.4 * dpi)));
}

bool FormatOfPath(const std::string& path, FigureFormat& format)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string suffix = path.substr(dot + 1);
    for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (suffix == "svg")
        format = FigureFormat::Svg;
    else if (suffix == "pdf")
        format = FigureFormat::Pdf;
    else if (suffix == "png")
        format = FigureFormat::Png;
    else
        return false;
    return true;
}

namespace {

void Draw(QPainter& painter, int w, int h, double dpi, const Workspace& ws,
          const FigureSettings& settings, const FigureJob& job, FigureSize size)
{
    PaintSurface surface(painter, w, h, dpi);
    Canvas canvas(surface, size.width, size.height);
    DrawFigure(canvas, ws, settings, job);
}

bool ValidSize(FigureSize size)
{
    return std::isfinite(size.width) && std::isfinite(size.height) && size.width >= 20 &&
           size.height >= 20 && size.width <= 5000 && size.height <= 5000;
}

}  // namespace

QImage RenderFigureImage(const Workspace& ws, const FigureSettings& settings, const FigureJob& job,
                         FigureSize size, double dpi)
{
    const int w = PixelsOf(size.width, dpi), h = PixelsOf(size.height, dpi);
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(Qt::white);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    QPainter painter(&image);
    Draw(painter, w, h, dpi, ws, settings, job, size);
    return image;
}

std::string RenderFigureFile(const Workspace& ws, const FigureSettings& settings,
                             const FigureJob& job, const ExportSettings& exported,
                             std::string* reason)
{
    const FigureSize size = exported.size;
    if (!ValidSize(size)) {
        if (reason) *reason = "A figure is 20 to 5000 mm wide and high.";
        return {};
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (exported.format) {
        case FigureFormat::Svg: {
            const int w = PixelsOf(size.width, kVectorDpi), h = PixelsOf(size.height, kVectorDpi);
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setResolution(static_cast<int>(kVectorDpi));
            svg.setSize(QSize(w, h));
            svg.setViewBox(QRect(0, 0, w, h));
            svg.setTitle(QString::fromStdString(FigureTitle(ws, settings, job)));
            svg.setDescription("Drawn by Tarvex");
            QPainter painter(&svg);
            Draw(painter, w, h, kVectorDpi, ws, settings, job, size);
            break;
        }
        case FigureFormat::Pdf: {
            QPdfWriter pdf(&buffer);
            pdf.setResolution(static_cast<int>(kVectorDpi));
            pdf.setPageSize(QPageSize(QSizeF(size.width, size.height), QPageSize::Millimeter,
                                      QString(), QPageSize::ExactMatch));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            pdf.setCreator("Tarvex");
            pdf.setTitle(QString::fromStdString(FigureTitle(ws, settings, job)));
            QPainter painter(&pdf);
            Draw(painter, pdf.width(), pdf.height(), kVectorDpi, ws, settings, job, size);
            break;
        }
        case FigureFormat::Png: {
            if (!(exported.pngDpi >= 72 && exported.pngDpi <= 1200)) {
                if (reason) *reason = "A PNG figure is drawn at 72 to 1200 dots per inch.";
                return {};
            }
            const QImage image = RenderFigureImage(ws, settings, job, size, exported.pngDpi);
            if (image.isNull() || !image.save(&buffer, "PNG")) {
                if (reason) *reason = "The image could not be made (too large for the memory?).";
                return {};
            }
            break;
        }
    }
    buffer.close();
    if (bytes.isEmpty() && reason) *reason = "The figure could not be drawn.";
    if (exported.format == FigureFormat::Svg) return WithoutEmptyGroups(bytes.toStdString());
    return bytes.toStdString();
}

std::string WithoutEmptyGroups(const std::string& svg)
{
    std::string out;
    out.reserve(svg.size());
    auto space = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
    for (std::size_t i = 0; i < svg.size();) {
        if (svg.compare(i, 4, "</g>") == 0) {
            // What came since the last tag is blank, and that tag opened a group: the group
            // holds nothing. Groups inside it have gone the same way already.
            std::size_t end = out.size();
            while (end > 0 && space(out[end - 1])) --end;
            if (end >= 2 && out[end - 1] == '>' && out[end - 2] != '/') {
                const std::size_t open = out.rfind('<', end - 1);
                if (open != std::string::npos && out.compare(open, 2, "<g") == 0 &&
                    open + 2 < end && (space(out[open + 2]) || out[open + 2] == '>')) {
                    out.resize(open);
                    i += 4;
                    // The line end after the closing tag goes with the group.
                    if (i < svg.size() && svg[i] == '\n') ++i;
                    continue;
                }
            }
        }
        out.push_back(svg[i]);
        ++i;
    }
    return out;
}

bool ExportFigureFile(const Workspace& ws, const FigureSettings& settings, const FigureJob& job,
                      const std::string& path, FigureSize size, double pngDpi, std::string* reason)
{
    ExportSettings exported;
    if (!FormatOfPath(path, exported.format)) {
        if (reason) *reason = "A figure is written as .svg, .pdf or .png.";
        return false;
    }
    exported.size = size;
    exported.pngDpi = pngDpi;
    const std::string bytes = RenderFigureFile(ws, settings, job, exported, reason);
    if (bytes.empty()) return false;
    return WriteFileAtomically(path, bytes, reason);
}

}  // namespace tarvex::fig
