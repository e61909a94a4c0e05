#pragma once

#include <QImage>
#include <string>

#include "figures/Figures.h"

// A figure as a file: SVG and PDF keep text as text and lines as lines, PNG is an image at a
// chosen resolution; all three are drawn by the same routine at the same size in millimetres.
namespace tarvex::fig {

enum class FigureFormat { Svg, Pdf, Png };

// The resolution vector files are laid out at: positions are exact to 1/600 inch.
inline constexpr double kVectorDpi = 600;

struct ExportSettings {
    FigureSize size;  // mm
    FigureFormat format = FigureFormat::Pdf;
    double pngDpi = 300;  // 72 to 1200
};

// The format a file name asks for by its suffix (any case); false for another suffix.
bool FormatOfPath(const std::string& path, FigureFormat& format);

// The figure's file content; empty, with the reason, when it could not be made.
std::string RenderFigureFile(const Workspace& ws, const FigureSettings& settings,
                             const FigureJob& job, const ExportSettings& exported,
                             std::string* reason = nullptr);
// The figure as an image at the given resolution, white where nothing is drawn.
QImage RenderFigureImage(const Workspace& ws, const FigureSettings& settings, const FigureJob& job,
                         FigureSize size, double dpi);
// Writes the figure to path, whole or not at all, in the format of its suffix.
bool ExportFigureFile(const Workspace& ws, const FigureSettings& settings, const FigureJob& job,
                      const std::string& path, FigureSize size, double pngDpi,
                      std::string* reason = nullptr);

// The SVG text without its empty groups: the SVG writer opens a group for every change of pen
// or brush, also where nothing is drawn with them, and those are half of a figure's bytes.
std::string WithoutEmptyGroups(const std::string& svg);

// The device pixels of a length in millimetres at a resolution.
int PixelsOf(double mm, double dpi);

}  // namespace tarvex::fig
