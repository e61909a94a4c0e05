#include "figures/FigureParts.h"

#include <algorithm>
#include <cmath>

#include "data/NumberText.h"
#include "mat/AnalogueQuality.h"
#include "mat/Analogues.h"

namespace tarvex::fig {

std::string DepthTitle(const Workspace& ws)
{
    if (!ws.fossilTaxonNames.empty()) {
        std::string corner = ws.fossilTaxonNames[0];
        corner.erase(0, corner.find_first_not_of(" \t"));
        corner.erase(corner.find_last_not_of(" \t") + 1);
        if (!corner.empty()) return corner;
    }
    return ws.fossilTextLabels ? "Sample" : "Depth";
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

DepthAxis::DepthAxis(const Workspace& ws, double top, double bottom)
    : ws_(ws),
      axis_(ws.fossilSampleLabels, ws.fossilSampleCount, ws.fossilTextLabels),
      top_(top),
      bottom_(bottom),
      title_(DepthTitle(ws))
{
    const int n = axis_.samples();
    y0_ = n >= 1 ? axis_.Y(1) : 10;
    y1_ = n >= 1 ? axis_.Y(n) : 10;
    if (!(y1_ != y0_)) {
        y0_ -= 5;
        y1_ += 5;
    }
}

double DepthAxis::SampleY(int i) const
{
    return top_ + (axis_.Y(i) - y0_) / (y1_ - y0_) * (bottom_ - top_);
}

double DepthAxis::PositionY(double position) const
{
    return top_ + (axis_.YOfPosition(position) - y0_) / (y1_ - y0_) * (bottom_ - top_);
}

Ticks DepthAxis::MakeTicks(const Canvas& c) const
{
    const int n = axis_.samples();
    const double length = std::fabs(bottom_ - top_);
    if (axis_.depthSpacing()) {
        const double first = Val(ws_.fossilSampleLabels[1]);
        const double last = Val(ws_.fossilSampleLabels[n]);
        return NiceTicks(first, last, std::max(3, static_cast<int>(length / 14)));
    }
    // Equal spacing: every sample gets a tick, and as many labels as fit.
    (void)c;
    Ticks t;
    for (int i = 1; i <= n; ++i) {
        t.values.push_back(i);
        t.labels.push_back(i < static_cast<int>(ws_.fossilSampleLabels.size())
                               ? ws_.fossilSampleLabels[i]
                               : std::to_string(i));
    }
    return t;
}

double DepthAxis::Draw(Canvas& c, double x) const
{
    const int n = axis_.samples();
    if (n < 1) return 0;
    Scale scale;
    if (axis_.depthSpacing()) {
        scale = {Val(ws_.fossilSampleLabels[1]), Val(ws_.fossilSampleLabels[n]), SampleY(1),
                 SampleY(n)};
    } else if (n > 1) {
        scale = {1, static_cast<double>(n), SampleY(1), SampleY(n)};
    } else {
        scale = {0, 2, top_, bottom_};
    }
    return DrawAxis(c, Side::Left, scale, x, MakeTicks(c), title_);
}

double DepthAxis::Reach(const Canvas& c) const
{
    return AxisReach(c, Side::Left, MakeTicks(c), title_);
}

Colour SchemeColour(const RgbTriple& c)
{
    return RGB(c.r, c.g, c.b);
}

Colour Lighter(Colour c, double share)
{
    auto mix = [share](int v) { return static_cast<int>(std::lround(v + (255 - v) * share)); };
    return RGB(mix(RedOf(c)), mix(GreenOf(c)), mix(BlueOf(c)));
}

std::string ParamName(const Workspace& ws, int p)
{
    if (p >= 1 && p < static_cast<int>(ws.climateParamNames.size())) return ws.climateParamNames[p];
    return "Parameter " + std::to_string(p);
}

double CutoffLabelsHeight(const Canvas& c)
{
    return 3 * c.LineSpacing(c.style().smallPt) + 1;
}

void DrawCutoffs(Canvas& c, const Workspace& ws, const Scale& x, double left, double right,
                 double top, double bottom, bool withValues)
{
    const Style& st = c.style();
    const Colour warning = SchemeColour(ws.colours.schemeColour3);
    const double row = c.LineSpacing(st.smallPt);
    for (std::size_t k = 0; k < kQualityPercents.size(); ++k) {
        const double cut = ws.analogueCutoffs[k];
        if (!std::isfinite(cut)) continue;
        const double cx = x(cut);
        if (cx < left - 1e-9 || cx > right + 1e-9) continue;
        const bool five = k == 1;
        c.Line(cx, top, cx, bottom, five ? warning : RGB(90, 90, 90), st.thinPt,
               five ? Surface::LineStyle::Dash : Surface::LineStyle::Dot);
        std::string label = FixedText(kQualityPercents[k], k == 0 ? 1 : 0) + " %";
        if (withValues) label += ": " + ShortText(cut);
        const double y = top - 1 - (2 - static_cast<double>(k)) * row;
        c.Line(cx, y, cx, top, RGB(150, 150, 150), st.thinPt);
        // Centred on its line, but kept over the panel.
        const double w = c.TextWidth(label, st.smallPt);
        const double lx = std::clamp(cx - w / 2, left, std::max(left, right - w));
        c.Text(lx, y, label, st.smallPt, 0, 1);
    }
}

double DrawTitle(Canvas& c, double x, double y, const std::string& title)
{
    if (title.empty()) return 0;
    const double pt = c.style().titlePt;
    c.Text(x, y, title, pt, 0, 0, 0, false, true);
    return c.TextHeight(pt) + 2.5;
}

// Where the text breaks into lines: at spaces, or inside a word that is wider than the line,
// never inside a UTF-8 character.
std::vector<std::string> Wrap(const Canvas& c, const std::string& text, double pt, double width)
{
    std::vector<std::string> lines;
    std::string line;
    auto fits = [&](const std::string& s) { return c.TextWidth(s, pt) <= width; };
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(start, end - start);
        const std::string joined = line.empty() ? word : line + " " + word;
        if (fits(joined)) {
            line = joined;
        } else {
            if (!line.empty()) lines.push_back(line);
            line.clear();
            while (!fits(word)) {
                std::size_t cut = word.size();
                while (cut > 1 && !fits(word.substr(0, cut))) {
                    --cut;
                    while (cut > 1 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80) --cut;
                }
                lines.push_back(word.substr(0, cut));
                word = word.substr(cut);
            }
            line = word;
        }
        start = end + 1;
    }
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

double ErrorModelRmsep(const Workspace& ws, int p)
{
    if (ws.siteReconValues.rows() < 1 || ws.siteReconValues.cols() < p) return NAN;
    const ErrorModelSummary e = SummariseErrorModel(ws, p);
    return e.sites > 0 ? e.rmsep : NAN;
}

}  // namespace tarvex::fig
