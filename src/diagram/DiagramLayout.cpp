#include "diagram/DiagramLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/NumberText.h"

namespace tarvex {

namespace {

bool Flag(const std::vector<bool>* flags, int i)
{
    return flags && i >= 0 && i < static_cast<int>(flags->size()) && (*flags)[i];
}

}  // namespace

DiagramColumns ComputeDiagramColumns(const Matrix<double>& proportions, int samples, int taxa)
{
    DiagramColumns c;
    taxa = std::max(taxa, 0);
    samples = std::clamp(samples, 0, std::max(proportions.rows(), 0));
    c.left.assign(static_cast<std::size_t>(taxa) + 2, 0.0f);
    c.left[1] = 5;
    for (int t = 1; t <= taxa; ++t) {
        float m = 0;
        if (t <= proportions.cols())
            for (int i = 1; i <= samples; ++i) {
                const float v = static_cast<float>(100 * proportions(i, t));
                if (v > m) m = v;
            }
        c.left[t + 1] = m + c.left[t] + 10;
        if (t == taxa) c.lastColumnMax = m;
    }
    return c;
}

int DiagramScrollMax(const DiagramColumns& columns, int taxa)
{
    if (taxa < 1 || taxa >= static_cast<int>(columns.left.size())) return 0;
    const double reach =
        static_cast<double>(columns.left[taxa]) - kDiagramScaleWidth + columns.lastColumnMax + 20;
    if (!(reach > 0)) return 0;  // also NaN
    return static_cast<int>(std::min(RoundHalfEven(reach), 32767.0));
}

std::vector<int> ColumnTickOffsets(float columnWidth)
{
    std::vector<int> ticks;
    // Bounded so that absurd widths from raw values cannot run away.
    for (int k = 0; ticks.empty() || (columnWidth > k + 5 && k <= 100000); k += 10)
        ticks.push_back(k);
    return ticks;
}

SampleAxis::SampleAxis(const std::vector<std::string>& labels, int samples, bool textLabels)
    : samples_(std::max(samples, 0))
{
    if (textLabels || samples_ < 2 || static_cast<int>(labels.size()) <= samples_) return;
    depths_.assign(static_cast<std::size_t>(samples_) + 1, 0.0);
    for (int i = 1; i <= samples_; ++i) {
        double d = 0;
        if (!StrictVal(labels[i], d) || !std::isfinite(d)) {
            depths_.clear();
            return;
        }
        depths_[i] = d;
    }
    firstDepth_ = depths_[1];
    lastDepth_ = depths_[samples_];
    const double span = lastDepth_ - firstDepth_;
    if (span == 0 || !std::isfinite(span)) {
        depths_.clear();
        return;
    }
    depthSpacing_ = true;
}

float SampleAxis::YOfPosition(double position) const
{
    if (!depthSpacing_) return static_cast<float>(10 * position);
    const double n = samples_;
    return static_cast<float>(10 * ((lastDepth_ - position) + n * (position - firstDepth_)) /
                              (lastDepth_ - firstDepth_));
}

float SampleAxis::Y(int sample) const
{
    if (!depthSpacing_ || sample < 1 || sample > samples_) return static_cast<float>(10 * sample);
    return YOfPosition(depths_[sample]);
}

float SampleAxis::WindowY(int first, int width, double position) const
{
    if (depthSpacing_) return YOfPosition(position);
    return static_cast<float>(10 * (first + (width - 1) / 2.0));
}

std::vector<float> SampleAxis::ClusterPositions() const
{
    std::vector<float> p(static_cast<std::size_t>(samples_) + 1, 0.0f);
    for (int i = 1; i <= samples_; ++i)
        p[i] = depthSpacing_ ? static_cast<float>(depths_[i]) : static_cast<float>(i);
    return p;
}

double SampleAxis::GrabCentre(int current) const
{
    if (!depthSpacing_) return 10.0 * current;
    const double r = RoundHalfEven(Y(current) / 10.0);
    return 10.0 * std::clamp(r, -32768.0, 32767.0);
}

int SampleAxis::SampleAt(double y) const
{
    if (samples_ < 1) return 0;
    if (!std::isfinite(y)) return y > 0 ? samples_ : 1;
    if (!depthSpacing_) {
        const double r = RoundHalfEven(y / 10);
        return static_cast<int>(std::clamp(r, 1.0, static_cast<double>(samples_)));
    }
    int best = 1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int j = 1; j <= samples_; ++j) {
        const double d = Y(j) / 10.0 - y / 10.0;
        if (d * d < bestDistance) {
            bestDistance = d * d;
            best = j;
        }
    }
    return best;
}

DiagramVerticalScale UsableVerticalScale(float top, float height)
{
    if (height > 0 && std::isfinite(height) && std::isfinite(top)) return {top, height};
    return {0, 20};
}

LabelFont FittedLabelFont(const std::vector<int>& xs)
{
    LabelFont font;
    int gap = font.height;
    for (std::size_t k = 1; k < xs.size(); ++k) gap = std::min(gap, xs[k] - xs[k - 1]);
    if (gap >= font.height) return font;
    font.height = std::max(7, gap);
    font.width = std::max(3, static_cast<int>(std::lround(5.0 * font.height / 12)));
    return font;
}

bool InGrabZone(double y, double centre, double scaleHeight)
{
    const double d = y - centre;
    return d * d < scaleHeight * 10 / 50;
}

int16_t EofTickStep(double zoomFactor)
{
    double step;
    if (zoomFactor == 1)
        step = 2;
    else if (zoomFactor == 2)
        step = 1;
    else if (zoomFactor < 32)
        step = RoundHalfEven(zoomFactor / 4);
    else
        step = RoundHalfEven(zoomFactor / 8);
    return static_cast<int16_t>(std::clamp(step, 1.0, 32767.0));
}

std::vector<int> EofTickValues(double zoomFactor)
{
    std::vector<int> ticks;
    const int step = EofTickStep(zoomFactor);
    const int from = -static_cast<int>(std::clamp(RoundHalfEven(zoomFactor), 0.0, 32767.0));
    for (int v = from; v <= zoomFactor; v += step) ticks.push_back(v);
    return ticks;
}

std::vector<bool> ItalicTaxonNames(const std::vector<std::string>& names, int taxa)
{
    std::vector<bool> italic(static_cast<std::size_t>(std::max(taxa, 0)) + 1, false);
    auto family = [](const std::string& n) {
        if (n.size() < 2) return false;
        const std::string tail = n.substr(n.size() - 2);
        return tail == "ae" || tail == "AE";
    };
    bool anyFamily = false;
    for (int t = 1; t <= taxa && t < static_cast<int>(names.size()); ++t)
        anyFamily = anyFamily || family(names[t]);
    if (!anyFamily) return italic;
    for (int t = 1; t <= taxa && t < static_cast<int>(names.size()); ++t)
        italic[t] = !family(names[t]);
    return italic;
}

bool ColumnVisible(const DiagramColumns& columns, int taxon, float scroll)
{
    if (taxon < 1 || taxon + 1 >= static_cast<int>(columns.left.size())) return false;
    const float x0 = columns.left[taxon] - scroll;
    const float x1 = columns.left[taxon + 1] - scroll;
    return x1 >= 0 && x0 <= kDiagramScaleWidth;
}

void AppendColumnLines(const DiagramInput& in, int t, std::vector<DiagramLine>& out)
{
    const DiagramColumns& columns = *in.columns;
    const SampleAxis& axis = *in.axis;
    const Matrix<double>& p = *in.proportions;
    const int n = std::min(in.samples, p.rows());
    if (t < 1 || t + 1 >= static_cast<int>(columns.left.size()) || t > p.cols()) return;
    const float x0 = columns.left[t] - in.scroll;
    auto x = [&](int i) { return static_cast<float>(x0 + 100 * p(i, t)); };
    auto empty = [&](int i) { return Flag(in.empty, i); };
    auto outside = [&](int i) { return Flag(in.outside, i); };
    auto bar = [&](int i, float y) {
        out.push_back({x0, y, x(i), y, outside(i) ? in.outsideColour : in.curveColour});
    };

    if (in.style != DiagramStyle::Area) {
        for (int i = 1; i <= n; ++i) bar(i, axis.Y(i));
    } else if (n >= 1) {
        // The lines that close the silhouette against the zero line: above each empty sample,
        // below an empty first sample, at both ends, and at every sample outside the envelope.
        for (int i = 2; i <= n; ++i)
            if (empty(i)) bar(i - 1, axis.Y(i - 1));
        if (empty(1) && n >= 2) bar(2, axis.Y(2));
        bar(1, axis.Y(1));
        bar(n, axis.Y(n));
        for (int i = 1; i <= n; ++i)
            if (outside(i)) out.push_back({x0, axis.Y(i), x(i), axis.Y(i), in.outsideColour});
    }

    if (in.style != DiagramStyle::Bar)
        for (int i = 2; i <= n; ++i)
            if (!empty(i - 1) && !empty(i))
                out.push_back({x(i - 1), axis.Y(i - 1), x(i), axis.Y(i), in.curveColour});

    out.push_back({x0, 10.0f, x0, 10.0f * std::max(n, 1), kBlack});

    const float top = in.scaleTop, height = in.scaleHeight;
    for (int k : ColumnTickOffsets(columns.left[t + 1] - columns.left[t])) {
        const float xk = x0 + k;
        out.push_back({xk, top, xk, top + height * 8 / 1000, kBlack});
        out.push_back({xk, top + height, xk, top + height * 988 / 1000, kBlack});
    }
}

}  // namespace tarvex
