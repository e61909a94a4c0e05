#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Matrix.h"
#include "ui/Colour.h"

// Geometry of the fossil diagram: where the taxa columns start, where each sample sits on
// the shared vertical axis, the ticks of both panels and the cursor's grab zone. Drawing is
// the window's job; everything here can be checked without a surface.

namespace tarvex {

// The diagram's taxa panel is 500 percentage units wide; one unit is one percentage point.
inline constexpr float kDiagramScaleWidth = 500;

struct DiagramColumns {
    std::vector<float> left;  // [0..taxa + 1]: left edge of column t before scrolling
    float lastColumnMax = 0;  // largest percentage of the last taxon
};

// Every column is as wide as its taxon's largest percentage plus a gap of 10; the first
// starts at 5. Maxima are taken in single precision from 0, so a column is never narrower
// than 10.
DiagramColumns ComputeDiagramColumns(const Matrix<double>& proportions, int samples, int taxa);

// The horizontal scroll bar's maximum: how far the columns reach beyond the panel, as a
// 16-bit value. Never below 0 (everything fits) and saturated at 32767, so raw, unconverted
// values that make the columns enormous still give a usable scroll bar.
int DiagramScrollMax(const DiagramColumns& columns, int taxa);

// Tick offsets of a column of the given width, in percent from its zero line: 0, 10, 20, ...
// while the width exceeds the offset by more than 5. The tick at 0 is always there.
std::vector<int> ColumnTickOffsets(float columnWidth);

// The vertical axis both panels share: sample i sits at Y(i).
class SampleAxis {
public:
    // Equal spacing puts sample i at 10 i. Depth spacing (number labels) places sample 1 at
    // 10, sample N at 10 N and the others linearly by depth. When the depths give no usable
    // scale (one sample, equal first and last depths, a label that is not a finite number)
    // the axis falls back to equal spacing.
    SampleAxis(const std::vector<std::string>& labels, int samples, bool textLabels);
    SampleAxis() = default;

    int samples() const { return samples_; }
    bool depthSpacing() const { return depthSpacing_; }

    // Y of sample i, computed in double and kept in single precision.
    float Y(int sample) const;
    // The axis position of a cluster position (a sample number, or a depth under depth
    // spacing): the same linear map as Y, so a cluster midway between two samples is drawn
    // midway between them.
    float YOfPosition(double position) const;
    // The starting cluster positions of the zonation: sample numbers, or depths.
    std::vector<float> ClusterPositions() const;
    // The axis position of a smoothing window over the samples first .. first + width - 1
    // whose mean position (sample number, or depth for number labels) is position. On an axis
    // that fell back to equal spacing the depths place nothing, so the window stands at the
    // mean of its samples' places instead.
    float WindowY(int first, int width, double position) const;

    // Where the cursor's grab zone is centred for the current sample: 10 x the sample under
    // equal spacing, 10 x the 16-bit rounding of Y / 10 under depth spacing.
    double GrabCentre(int current) const;
    // The sample a drag at user y selects, clamped to 1..N: Round(y / 10) under equal
    // spacing, the sample whose Y is nearest under depth spacing (first of equal distances).
    int SampleAt(double y) const;

private:
    int samples_ = 0;
    bool depthSpacing_ = false;
    double firstDepth_ = 0, lastDepth_ = 0;
    std::vector<double> depths_;  // [0..samples]
};

// The vertical user scale of the panels for N samples: the values set at fossil import, or,
// when they give no height (a single sample), a scale of 20 units around sample 1.
struct DiagramVerticalScale {
    float top = 0;
    float height = 0;
};
DiagramVerticalScale UsableVerticalScale(float top, float height);

// The size of the rotated taxon names: 12 x 5 pixels, made smaller (down to 7 pixels high)
// where neighbouring columns stand closer than that, so that the names of a narrow window
// do not run into each other. xs are the names' pixel positions, left to right.
struct LabelFont {
    int height = 12;
    int width = 5;
};
LabelFont FittedLabelFont(const std::vector<int>& xs);

// Whether y lies within the cursor's grab zone around centre on a panel of the given scale
// height: (y - centre)^2 < scaleHeight * 10 / 50.
bool InGrabZone(double y, double centre, double scaleHeight);

// Tick spacing of the EOF axis for a half-width of zoomFactor: 2 for 1, 1 for 2, zoom / 4
// below 32, zoom / 8 from 32 on; never below 1.
int16_t EofTickStep(double zoomFactor);
// The tick positions of the EOF axis: from -zoom to +zoom in steps of EofTickStep.
std::vector<int> EofTickValues(double zoomFactor);

// Taxon names are drawn upright when they end in "ae" or "AE" (family names) and italic
// otherwise; when no name ends so, all are upright. [1..taxa].
std::vector<bool> ItalicTaxonNames(const std::vector<std::string>& names, int taxa);

// How the taxa columns are drawn.
enum class DiagramStyle { Bar, Curve, Area };

// One straight line of the diagram in panel user units.
struct DiagramLine {
    float x1, y1, x2, y2;
    Colour colour;
};

// Everything the taxa panel shows for one column t, in drawing order: bars or the
// silhouette's closing lines, the curve, the zero line, then the ticks (each tick as two
// short lines from the top and bottom edges of the panel).
struct DiagramInput {
    const Matrix<double>* proportions = nullptr;
    const std::vector<bool>* empty = nullptr;    // [0..samples]
    const std::vector<bool>* outside = nullptr;  // [0..samples]; may be shorter: not outside
    const DiagramColumns* columns = nullptr;
    const SampleAxis* axis = nullptr;
    int samples = 0;
    DiagramStyle style = DiagramStyle::Bar;
    float scroll = 0;
    float scaleTop = 0, scaleHeight = 0;
    Colour curveColour = 0;    // bars and curves
    Colour outsideColour = 0;  // samples outside the envelope
};
void AppendColumnLines(const DiagramInput& in, int taxon, std::vector<DiagramLine>& out);

// Whether any part of column t can be seen on the panel after scrolling.
bool ColumnVisible(const DiagramColumns& columns, int taxon, float scroll);

}  // namespace tarvex
