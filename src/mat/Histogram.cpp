#include "mat/Histogram.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "calib/CalibData.h"
#include "data/NumberText.h"
#include "mat/Analogues.h"

namespace tarvex {

namespace {

constexpr int R = kMatrixResolution;
constexpr int kMargin = 25;  // grid index of the display range's lower end
constexpr int16_t kNone = -9999;
constexpr int32_t kWhite = 255 + 256 * 255 + 65536 * 255;

void Fail(std::string* reason, const char* text)
{
    if (reason) *reason = text;
}

bool SampleHasValue(const Workspace& ws, int i, int p)
{
    if (i > ws.reconValues.rows() || p < 1 || p > ws.reconValues.cols()) return false;
    if (i < static_cast<int>(ws.fossilSampleEmpty.size()) && ws.fossilSampleEmpty[i]) return false;
    return ws.reconValues(i, p) != -9999;
}

// Where positions lie on the levels: level = Round((position - first) / step).
struct LevelScale {
    double first = 0;
    double step = 0;
    double Level(double position) const { return RoundHalfEven((position - first) / step); }
};

bool MakeLevelScale(const Workspace& ws, int levels, LevelScale& scale, std::string* reason)
{
    const int n = ws.fossilSampleCount;
    if (ws.fossilTextLabels) {
        scale.first = 1;
        scale.step = static_cast<double>(n - 1) / levels;
    } else if (n >= 1 && static_cast<int>(ws.fossilSampleLabels.size()) > n) {
        scale.first = Val(ws.fossilSampleLabels[1]);
        scale.step = (Val(ws.fossilSampleLabels[n]) - scale.first) / levels;
    }
    if (!std::isfinite(scale.first) || !std::isfinite(scale.step) || scale.step == 0) {
        Fail(reason,
             "The fossil samples span no depth: a histogram needs at least two samples whose "
             "first and last labels differ.");
        return false;
    }
    return true;
}

// The raster of the curve, layer 0 (column, level).
class Raster {
public:
    Raster(const Workspace& ws, int levels) : low_(ws.gridLow), step_(ws.gridStep), levels_(levels)
    {
        cells_.resize(R, levels);
    }

    // Marks the cell of value v at level L; cells off the matrix are skipped.
    void Mark(double level, double v)
    {
        const double column = RoundHalfEven((v - low_) / step_);
        if (!(level >= 0 && level <= levels_ && column >= 0 && column <= R)) return;
        cells_(static_cast<int>(column), static_cast<int>(level)) = 1;
    }

    Matrix<float>& cells() { return cells_; }

private:
    double low_, step_;
    int levels_;
    Matrix<float> cells_;
};

void RasteriseCurve(const SmoothedCurve& curve, const LevelScale& scale, Raster& raster, int levels)
{
    auto has = [&curve](int i) { return curve.value[i] != -9999.0f; };
    for (int i = 1; i < curve.windows; ++i) {
        const double l0 = scale.Level(curve.position[i]);
        const double l1 = scale.Level(curve.position[i + 1]);
        const double d = l1 - l0;
        if (!std::isfinite(d) || d < 1 || !has(i)) continue;
        if (!has(i + 1)) {
            raster.Mark(l0, curve.value[i]);
            continue;
        }
        const double v0 = curve.value[i];
        const double v1 = curve.value[i + 1];
        // Only the steps that land on the matrix are walked, so a wild depth between two
        // samples cannot make this loop run for long.
        const double kFirst = std::max(0.0, -l0);
        const double kLast = std::min(d - 1, levels - l0);
        for (double k = kFirst; k <= kLast; ++k) raster.Mark(l0 + k, v0 + (v1 - v0) * k / d);
    }
    const int last = curve.windows;
    if (last >= 1 && has(last)) raster.Mark(scale.Level(curve.position[last]), curve.value[last]);
}

uint32_t Colour(int r, int g, int b)
{
    return static_cast<uint32_t>(r + 256 * g + 65536 * b);
}

calib::LineItem LinePoint(int x, int y)
{
    return calib::LineItem{false, x, y, x, y};
}
calib::LineItem LineSegment(int x0, int y0, int x1, int y1)
{
    return calib::LineItem{true, x0, y0, x1, y1};
}

// Whether |value(j)| never decreases from j = lo up to j = hi: the sum of the steps equals the
// sum of their sizes only when no step goes down.
template <typename Value>
bool Rises(Value value, int lo, int hi)
{
    double d = 0, s = 0;
    for (int j = lo; j < hi; ++j) {
        const double step = static_cast<double>(std::fabs(value(j + 1))) - std::fabs(value(j));
        d += step;
        s += std::fabs(step);
    }
    return d == s;
}

// The mode pair of positions t and t + 1 with modes m0 and m1. at(t, m) gives the item's
// point, value(t, j) the matrix value at position t and mode coordinate j.
template <typename At, typename Value>
void ModePair(std::vector<calib::LineItem>& out, int t, int m0, int m1, At at, Value value)
{
    if (m0 == kNone && m1 == kNone) return;
    if (m0 == kNone || m1 == kNone) {
        const calib::LineItem p = m0 == kNone ? at(t + 1, m1) : at(t, m0);
        out.push_back(LinePoint(p.a0, p.b0));
        return;
    }
    bool joined = std::abs(m0 - m1) <= 1;
    if (!joined) {
        const int higher = m1 > m0 ? t + 1 : t;
        joined = Rises([&](int j) { return value(higher, j); }, std::min(m0, m1), std::max(m0, m1));
    }
    const calib::LineItem p0 = at(t, m0), p1 = at(t + 1, m1);
    if (joined) {
        out.push_back(LineSegment(p0.a0, p0.b0, p1.a0, p1.b0));
    } else {
        out.push_back(LinePoint(p0.a0, p0.b0));
        out.push_back(LinePoint(p1.a0, p1.b0));
    }
}

bool HistogramHeld(const Workspace& ws)
{
    const int v = ws.histLevels;
    return ws.histBuilt && v >= 1 && ws.histMatrix[1].rows() == R && ws.histMatrix[1].cols() == v &&
           ws.histModeColumn.size() == static_cast<std::size_t>(v) + 1 &&
           ws.histMedianColumn.size() == static_cast<std::size_t>(v) + 1;
}

}  // namespace

bool HistogramLevels(double panelWidth, double panelHeight, int& levels, std::string* reason)
{
    const double v = std::isfinite(panelWidth) && panelWidth > 0
                         ? Int(static_cast<double>(R) * panelHeight / panelWidth)
                         : 0.0;
    if (!(v >= 1 && v <= 32767)) {
        Fail(reason, "The histogram panel is too small or too tall for a histogram.");
        return false;
    }
    levels = static_cast<int>(v);
    return true;
}

SmoothedCurve HistogramCurve(const Workspace& ws, int p, int smoothingLevel)
{
    if (smoothingLevel != 1) return SmoothCurve(ws, p, smoothingLevel);
    SmoothedCurve curve;
    const int n = std::max<int>(ws.fossilSampleCount, 0);
    curve.windows = n;
    curve.position.assign(static_cast<std::size_t>(n) + 1, 0.0f);
    curve.value.assign(static_cast<std::size_t>(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i) {
        if (ws.fossilTextLabels)
            curve.position[i] = static_cast<float>(i);
        else if (i < static_cast<int>(ws.fossilSampleLabels.size()))
            curve.position[i] = static_cast<float>(Val(ws.fossilSampleLabels[i]));
        curve.value[i] = SampleHasValue(ws, i, p) ? static_cast<float>(ws.reconValues(i, p))
                                                  : static_cast<float>(kNone);
    }
    return curve;
}

bool BuildHistogram(Workspace& ws, int p, int smoothingLevel, double panelWidth, double panelHeight,
                    std::string* reason, const ProgressFn& progress)
{
    using namespace calib;
    if (ws.calibMatrices.size() != 9 || ws.calibMatrices[kReturnedMatrix].rows() != kGridLast ||
        ws.gridStep == 0 || !std::isfinite(ws.gridStep)) {
        Fail(reason, "No calibration has been returned.");
        return false;
    }
    int levels = 0;
    if (!HistogramLevels(panelWidth, panelHeight, levels, reason)) return false;
    LevelScale scale;
    if (!MakeLevelScale(ws, levels, scale, reason)) return false;

    Raster raster(ws, levels);
    RasteriseCurve(HistogramCurve(ws, p, smoothingLevel), scale, raster, levels);
    Matrix<float> layer0 = std::move(raster.cells());

    const Matrix<float>& s8 = ws.calibMatrices[kReturnedMatrix];
    Matrix<float> layer1(R, levels);
    std::vector<int16_t> modeColumn(static_cast<std::size_t>(levels) + 1, kNone);
    std::vector<int16_t> medianColumn(static_cast<std::size_t>(levels) + 1, kNone);
    std::vector<int> marked;
    for (int level = levels; level >= 0; --level) {
        marked.clear();
        for (int j = 0; j <= R; ++j)
            if (layer0(j, level) != 0) marked.push_back(j);
        // Unmarked columns add nothing to the sum, so only the marked ones are visited, in
        // ascending order as the sum over all columns has them.
        for (int u = 0; u <= R; ++u) {
            float s = 0;
            for (int j : marked) s += s8(j + kMargin, u + kMargin);
            layer1(u, level) = s;
            if (s < 0) medianColumn[level] = static_cast<int16_t>(u);
            if (std::fabs(s) >= 3) modeColumn[level] = static_cast<int16_t>(u);
        }
        if (progress) progress(levels - level, levels);
    }

    ws.histLevels = static_cast<int16_t>(levels);
    ws.histMatrix[0] = std::move(layer0);
    ws.histMatrix[1] = std::move(layer1);
    ws.histModeColumn = std::move(modeColumn);
    ws.histMedianColumn = std::move(medianColumn);
    ws.histBuilt = true;
    return true;
}

void SetMatrixRegionColours(Workspace& ws)
{
    const bool grey = ws.colours.greyScaleOn;
    ws.regionColour[0] = grey ? Colour(200, 200, 200) : Colour(200, 255, 200);
    ws.regionColour[1] = grey ? Colour(100, 100, 100) : Colour(50, 127, 50);
}

double MatrixScaleValue(const Workspace& ws, float p)
{
    return static_cast<double>(ws.zEnhancement) * p * R / 10.0;
}

HistogramEdgeLevels HistogramCutLevels(const Workspace& ws)
{
    HistogramEdgeLevels cut;
    if (!HistogramHeld(ws)) return cut;
    const Matrix<float>& layer1 = ws.histMatrix[1];
    for (int level = 0; level <= ws.histLevels; ++level) {
        if (std::fabs(layer1(0, level)) >= 1) cut.lower.push_back(level);
        if (std::fabs(layer1(R, level)) >= 1) cut.upper.push_back(level);
    }
    return cut;
}

Matrix<int32_t> HistogramColours(const Workspace& ws, MatrixDisplay display)
{
    const int levels = std::max<int>(ws.histLevels, 0);
    Matrix<int32_t> out(R, levels);
    out.fill(kWhite);
    if (!HistogramHeld(ws)) return out;
    const Matrix<float>& layer1 = ws.histMatrix[1];
    for (int u = 0; u <= R; ++u)
        for (int level = 0; level <= levels; ++level) {
            const float s = std::fabs(layer1(u, level));
            if (display == MatrixDisplay::Confidence) {
                if (s >= 2)
                    out(u, level) = static_cast<int32_t>(ws.regionColour[0]);
                else if (s >= 1)
                    out(u, level) = static_cast<int32_t>(ws.regionColour[1]);
            } else if (s >= 1) {
                const float fraction = s - static_cast<float>(Int(s));
                out(u, level) = ColourOfValue(ws.colours, MatrixScaleValue(ws, fraction));
            }
        }
    return out;
}

Matrix<int32_t> ReturnedMatrixColours(const Workspace& ws, MatrixDisplay display)
{
    using namespace calib;
    Matrix<int32_t> out(R, R);
    out.fill(kWhite);
    if (ws.calibMatrices.size() != 9 || ws.calibMatrices[kReturnedMatrix].rows() != kGridLast)
        return out;
    const Matrix<float>& s6 = ws.calibMatrices[kProbability];
    const Matrix<float>& s7 = ws.calibMatrices[kRegionFlags];
    const Matrix<float>& s8 = ws.calibMatrices[kReturnedMatrix];
    const bool grey = ws.colours.greyScaleOn;
    for (int a = kMargin; a <= kMargin + R; ++a)
        for (int b = kMargin; b <= kMargin + R; ++b) {
            int32_t& cell = out(a - kMargin, b - kMargin);
            if (display == MatrixDisplay::Confidence) {
                const float f = std::fabs(s8(a, b));
                if (f >= 2)
                    cell = static_cast<int32_t>(ws.regionColour[0]);
                else if (f >= 1)
                    cell = static_cast<int32_t>(ws.regionColour[1]);
            } else if (grey || std::fabs(s7(a, b)) > 0) {
                cell = ColourOfValue(ws.colours, MatrixScaleValue(ws, std::fabs(s6(a, b))));
            }
        }
    return out;
}

std::vector<calib::LineItem> HistogramModeLine(const Workspace& ws)
{
    std::vector<calib::LineItem> out;
    if (!HistogramHeld(ws)) return out;
    const Matrix<float>& layer1 = ws.histMatrix[1];
    auto at = [](int level, int column) { return LinePoint(column, level); };
    auto value = [&layer1](int level, int column) { return layer1(column, level); };
    for (int level = 0; level < ws.histLevels; ++level)
        ModePair(out, level, ws.histModeColumn[level], ws.histModeColumn[level + 1], at, value);
    return out;
}

std::vector<calib::LineItem> HistogramMedianLine(const Workspace& ws)
{
    std::vector<calib::LineItem> out;
    if (!HistogramHeld(ws)) return out;
    for (int level = 0; level < ws.histLevels; ++level) {
        const int m0 = ws.histMedianColumn[level], m1 = ws.histMedianColumn[level + 1];
        if (m0 != kNone && m1 != kNone)
            out.push_back(LineSegment(m0, level, m1, level + 1));
        else if (m0 != kNone)
            out.push_back(LinePoint(m0, level));
        else if (m1 != kNone)
            out.push_back(LinePoint(m1, level + 1));
    }
    return out;
}

std::vector<calib::LineItem> ReturnedModeLine(const Workspace& ws)
{
    using namespace calib;
    std::vector<LineItem> out;
    if (ws.calibMatrices.size() != 9 || ws.calibMatrices[kReturnedMatrix].rows() != kGridLast ||
        ws.modeIndex.size() != kGridLast + 1u)
        return out;
    const Matrix<float>& s8 = ws.calibMatrices[kReturnedMatrix];
    auto at = [](int a, int b) { return LinePoint(a, b); };
    auto value = [&s8](int a, int b) { return s8(a, b); };
    for (int a = kMargin; a <= kMargin + R; ++a)
        ModePair(out, a, ws.modeIndex[a], ws.modeIndex[a + 1], at, value);
    return out;
}

PanelScale HistogramVerticalScale(const Workspace& ws)
{
    const double v = ws.histLevels;
    const int n = ws.fossilSampleCount;
    const auto& empty = ws.fossilSampleEmpty;
    const bool endsEmpty = n >= 1 && static_cast<int>(empty.size()) > n && empty[1] && empty[n];
    if (endsEmpty) return {0, v};
    return {-0.025 * v, 1.05 * v};
}

uint32_t ModeLineColour(const Workspace& ws)
{
    return ws.colours.greyScaleOn ? 0u : Colour(255, 0, 0);
}

uint32_t MedianLineColour(const Workspace& ws)
{
    return ws.colours.greyScaleOn ? 0u : Colour(0, 0, 255);
}

}  // namespace tarvex
