// The transfer functions in the figures: one parameter reconstructed by the analogues and by
// the chosen transfer-function model side by side on one depth axis, and the table of every
// model's figures of merit.
#include <algorithm>
#include <cmath>

#include "data/NumberText.h"
#include "figures/FigureParts.h"
#include "figures/Figures.h"
#include "mat/Analogues.h"
#include "mat/ReconstructionTable.h"
#include "tf/ModelChoice.h"

namespace tarvex::fig {

namespace {

constexpr double kPanelGap = 8;  // mm between the two panels

// The analogue side of the figure: the reconstruction window's values with the error model's
// RMSEP, as the reconstruction figure draws them; without an error model the cross-validated
// RMSEP of the analogue method of the transfer-function run.
struct AnalogueSide {
    std::vector<ReconstructionRow> rows;  // [sample - 1]; empty: no analogue panel
    double rmsep = NAN;
    std::string validation;  // where the RMSEP comes from
};

AnalogueSide AnalogueSideOf(const Workspace& ws, const FigureSettings& s, int p,
                            const tf::ParamResult& r)
{
    AnalogueSide a;
    a.rows = ReconstructionRowsOf(ws, s.table, p);
    bool any = false;
    for (const ReconstructionRow& row : a.rows) any = any || std::isfinite(row.estimate);
    if (!any) {
        a.rows.clear();
        return a;
    }
    a.rmsep = ErrorModelRmsep(ws, p);
    if (std::isfinite(a.rmsep)) {
        a.validation = "leave-one-out";
        return a;
    }
    const tf::Results& results = *s.transfer.results;
    const int mat = tf::ColumnOf(results, tf::Method::Mat);
    const tf::ErrorBand band = tf::BandOf(results, r, mat);
    if (band.kind == tf::ErrorBand::Kind::Rmsep) {
        a.rmsep = band.rmsep;
        a.validation = band.validation;
    }
    return a;
}

// Everything the transfer figure draws, gathered once for the layout and the drawing.
struct TransferData {
    const tf::ParamResult* result = nullptr;
    const tf::Results* results = nullptr;
    int column = -1;
    tf::ErrorBand band;
    AnalogueSide analogue;
    std::string modelName;
};

TransferData GatherTransfer(const Workspace& ws, const FigureSettings& s, int p)
{
    TransferData d;
    d.result = TransferResultOf(ws, s, p, true);
    if (!d.result) return d;
    d.results = s.transfer.results.get();
    d.column = tf::ChosenColumn(*d.results, *d.result, s.transfer.model);
    if (d.column < 0) return d;
    d.band = tf::BandOf(*d.results, *d.result, d.column);
    d.analogue = AnalogueSideOf(ws, s, p, *d.result);
    d.modelName = tf::ModelName(d.results->columns[static_cast<std::size_t>(d.column)]);
    return d;
}

double ModelEstimate(const TransferData& d, int f)
{
    return d.result->fossil(f, d.column);
}

double ModelHalfWidth(const TransferData& d, int f)
{
    if (!std::isfinite(ModelEstimate(d, f))) return NAN;
    return tf::BandHalfWidth(d.band, *d.result, d.column, f);
}

// "WA-PLS 2, h-block 200 km: estimate ± RMSEP 1.10", or with the bootstrap's errors
// "WA-PLS 2, h-block 200 km RMSEP 1.10: estimate ± √(s1² + s2²), bootstrap 1000".
std::string ModelLabel(const TransferData& d)
{
    const std::string validation = tf::ValidationText(d.results->settings);
    std::string text = d.modelName;
    if (!validation.empty()) text += ", " + validation;
    const tf::Figures& f = d.result->validatedFigures[static_cast<std::size_t>(d.column)];
    switch (d.band.kind) {
        case tf::ErrorBand::Kind::SampleSpecific:
            if (!validation.empty() && std::isfinite(f.rmse)) text += " RMSEP " + ShortText(f.rmse);
            text += ": estimate ± √(s1² + s2²)";
            // The bootstrap of the errors is named unless it is the validation itself.
            if (d.band.validation != validation) text += ", " + d.band.validation;
            break;
        case tf::ErrorBand::Kind::Rmsep:
            text += ": estimate ± RMSEP " + ShortText(d.band.rmsep);
            break;
        case tf::ErrorBand::Kind::None:
            text += ": no cross-validation, no error band";
            break;
    }
    return text;
}

struct Colours {
    Colour mat, model, matBand, modelBand, warning;
};

Colours ColoursOf(const Workspace& ws)
{
    Colours k;
    k.mat = SchemeColour(ws.colours.schemeColour6);
    k.model = RGB(0, 114, 178);
    if (k.model == k.mat) k.model = RGB(213, 94, 0);
    k.matBand = Lighter(k.mat, 0.78);
    k.modelBand = Lighter(k.model, 0.78);
    k.warning = SchemeColour(ws.colours.schemeColour3);
    return k;
}

bool AnyFlag(const TransferData& d, bool outside)
{
    for (const ReconstructionRow& r : d.analogue.rows)
        if ((outside ? r.outside : r.poorAnalogue) == 1) return true;
    return false;
}

// The legend's items for a width (mm): an item too long for it goes on in notes below it.
std::vector<LegendItem> TransferLegend(const Canvas& c, const Workspace& ws, const TransferData& d,
                                       double width)
{
    const Colours k = ColoursOf(ws);
    std::vector<LegendItem> items;
    auto add = [&](LegendItem item) {
        constexpr double kLead = 6;  // the symbol and its gap, as the legend sets them
        const std::vector<std::string> lines =
            Wrap(c, item.text, c.style().tickPt, std::max(20.0, width - kLead - 1));
        item.text = lines[0];
        items.push_back(item);
        for (std::size_t l = 1; l < lines.size(); ++l) {
            LegendItem more;
            more.kind = LegendItem::Kind::Note;
            more.text = lines[l];
            more.indent = kLead;
            items.push_back(more);
        }
    };
    if (!d.analogue.rows.empty()) {
        std::string text = "MAT";
        if (std::isfinite(d.analogue.rmsep))
            text +=
                ", " + d.analogue.validation + ": estimate ± RMSEP " + ShortText(d.analogue.rmsep);
        else
            text += ": no error model, no error band";
        add({LegendItem::Kind::Box, k.matBand, text});
    }
    add({LegendItem::Kind::Box, k.modelBand, ModelLabel(d)});
    items.push_back({LegendItem::Kind::Marker, kBlack, "sample", Marker::Disc});
    if (AnyFlag(d, false))
        items.push_back({LegendItem::Kind::Marker, kBlack,
                         "no close analogue (above the 5 % cut-off)", Marker::Circle});
    if (AnyFlag(d, true))
        items.push_back(
            {LegendItem::Kind::Marker, k.warning, "outside the envelope", Marker::Triangle});
    return items;
}

struct TransferGeometry {
    double top = 0, bottom = 0, legendTop = 0;
    std::vector<std::pair<double, double>> panels;  // left, right of each panel
    double lo = 0, hi = 1;
};

TransferGeometry MeasureTransfer(const Canvas& c, const Workspace& ws, const TransferData& d,
                                 const std::string& axisTitle)
{
    const Style& st = c.style();
    TransferGeometry g;
    double lo = INFINITY, hi = -INFINITY;
    auto take = [&](double v) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    };
    for (const ReconstructionRow& r : d.analogue.rows) {
        take(r.estimate);
        if (std::isfinite(d.analogue.rmsep)) {
            take(r.estimate - d.analogue.rmsep);
            take(r.estimate + d.analogue.rmsep);
        }
    }
    for (int f = 1; f <= ws.fossilSampleCount; ++f) {
        const double v = ModelEstimate(d, f), h = ModelHalfWidth(d, f);
        take(v);
        if (std::isfinite(h)) {
            take(v - h);
            take(v + h);
        }
    }
    if (!std::isfinite(lo)) lo = 0, hi = 1;
    NiceRange(lo, hi, 5);
    g.lo = lo;
    g.hi = hi;

    const double left = kMargin + DepthAxis(ws, 0, 1).Reach(c) + 1;
    const double right = c.width() - kMargin - 4;
    const double legendWidth = right - left;
    const double legend = DrawLegend(const_cast<Canvas&>(c), left, 0, legendWidth,
                                     TransferLegend(c, ws, d, legendWidth), false);
    g.legendTop = c.height() - kMargin - legend;
    g.top = kMargin + c.TextHeight(st.titlePt) + 2.5 + c.LineSpacing(st.labelPt) + 1;
    g.bottom = g.legendTop - 2 - AxisReach(c, Side::Bottom, NiceTicks(lo, hi, 5), axisTitle);
    const bool two = !d.analogue.rows.empty();
    const double width = two ? (right - left - kPanelGap) / 2 : right - left;
    g.panels.push_back({left, left + width});
    if (two) g.panels.push_back({left + width + kPanelGap, right});
    return g;
}

// A band value(i) +- half(i) down the samples, broken where either is missing.
template <typename Value, typename Half>
void DrawBand(Canvas& c, const DepthAxis& axis, const Scale& x, int n, const Value& value,
              const Half& half, Colour colour)
{
    DrawSampleBand(
        c, axis, x, n, [&](int i) { return value(i) - half(i); },
        [&](int i) { return value(i) + half(i); }, colour);
}

template <typename Value>
void DrawCurve(Canvas& c, const DepthAxis& axis, const Scale& x, int n, const Value& value,
               Colour colour, double widthPt)
{
    for (const auto& [a, b] : SampleRuns(n, [&](int i) { return std::isfinite(value(i)); })) {
        if (a == b) continue;
        Surface::Points pts;
        for (int i = a; i <= b; ++i) pts.push_back({x(value(i)), axis.SampleY(i)});
        c.Polyline(pts, colour, widthPt);
    }
}

std::string Cell(double v, int decimals = 3)
{
    return std::isfinite(v) ? FixedText(v, decimals) : std::string("–");
}

// The performance table: its cells, and the x of each column's edge (the model names start at
// at[0], each number column ends at at[k]), mm.
struct TableLayout {
    std::vector<std::vector<std::string>> rows;  // cells of each model
    std::vector<bool> suggested;
    std::vector<double> at;
    double modelRight = 0;   // the right end of the widest model name
    double neededWidth = 0;  // of the figure, for the narrowest gaps between the columns
    bool significance = false;
    double line = 0;
};

const std::vector<std::string>& TableHeads()
{
    static const std::vector<std::string> heads = {"Model",    "RMSE",      "R²", "Mean bias",
                                                   "Max bias", "RMSEP",     "R²", "Mean bias",
                                                   "Max bias", "Explained", "p"};
    return heads;
}

}  // namespace

int TransferTableDecimals(const tf::Results& results, const tf::ParamResult& r)
{
    double smallest = INFINITY;
    for (std::size_t col = 0; col < results.columns.size(); ++col) {
        if (results.columns[col].method != tf::Method::Mat && col < r.apparentFigures.size() &&
            r.apparentFigures[col].rmse > 0)
            smallest = std::min(smallest, r.apparentFigures[col].rmse);
        if (col < r.validatedFigures.size() && r.validatedFigures[col].rmse > 0)
            smallest = std::min(smallest, r.validatedFigures[col].rmse);
    }
    if (!std::isfinite(smallest)) return 3;
    return std::clamp(2 - static_cast<int>(std::floor(std::log10(smallest))), 0, 4);
}

namespace {

TableLayout LayOutTable(const Canvas& c, const tf::Results& results, const tf::ParamResult& r)
{
    const Style& st = c.style();
    TableLayout t;
    t.significance = results.settings.randomVariables > 0;
    const bool validated = !tf::ValidationText(results.settings).empty();
    const int decimals = TransferTableDecimals(results, r);
    for (std::size_t col = 0; col < results.columns.size(); ++col) {
        const tf::Column& column = results.columns[col];
        const bool suggested = column.method == tf::Method::WaPls && r.suggested > 0 &&
                               column.components == r.suggested;
        const bool mat = column.method == tf::Method::Mat;
        std::vector<std::string> cells = {tf::ModelName(column) + (suggested ? " *" : "")};
        const tf::Figures& a = r.apparentFigures[col];
        for (const double v : {a.rmse, a.meanBias, a.maxBias})
            cells.push_back(mat ? "–" : Cell(v, decimals));
        cells.insert(cells.begin() + 2, mat ? "–" : Cell(a.r2));
        const bool has = validated && col < r.validatedFigures.size();
        const tf::Figures none{};
        const tf::Figures& v = has ? r.validatedFigures[col] : none;
        for (const double x : {v.rmse, v.meanBias, v.maxBias})
            cells.push_back(has ? Cell(x, decimals) : "–");
        cells.insert(cells.begin() + 6, has ? Cell(v.r2) : "–");
        if (t.significance) {
            cells.push_back(col < r.explained.size() ? Cell(100 * r.explained[col], 1) + " %"
                                                     : "–");
            cells.push_back(col < r.pValue.size() ? Cell(r.pValue[col]) : "–");
        }
        t.rows.push_back(std::move(cells));
        t.suggested.push_back(suggested);
    }
    // Each column as wide as its widest cell; what is left of the width spreads between them.
    const std::size_t columns = t.significance ? 11 : 9;
    std::vector<double> widths(columns, 0.0);
    for (std::size_t k = 0; k < columns; ++k) {
        widths[k] = c.TextWidth(TableHeads()[k], st.tickPt, false, true);
        for (const auto& row : t.rows)
            widths[k] = std::max(widths[k], c.TextWidth(row[k], st.tickPt, false, true));
    }
    double used = 0;
    for (const double w : widths) used += w;
    constexpr double kNarrowest = 3;
    // Text measures a few per cent wider at a coarse raster than where the size is measured.
    t.neededWidth = 1.05 * used + kNarrowest * static_cast<double>(columns - 1) + 2 * kMargin;
    const double gap =
        std::max(kNarrowest, (c.width() - 2 * kMargin - used) / static_cast<double>(columns - 1));
    double x = kMargin;
    t.at.push_back(x);
    x += widths[0];
    t.modelRight = x;
    for (std::size_t k = 1; k < columns; ++k) {
        x += gap + widths[k];
        t.at.push_back(x);
    }
    t.line = c.LineSpacing(st.tickPt) * 1.15;
    return t;
}

std::vector<std::string> TableNotes(const FigureSettings& s, const tf::ParamResult& r)
{
    const tf::Results& results = *s.transfer.results;
    std::vector<std::string> notes;
    const tf::Inputs& in = *s.transfer.inputs;
    notes.push_back(std::to_string(in.sites) + " modern sites, " + std::to_string(in.taxa) +
                    " taxa. Residuals are estimate − observed; the maximum bias is the mean "
                    "residual of largest magnitude among ten equal bins of the observed range.");
    if (r.suggested > 0)
        notes.push_back("* suggested: WA-PLS " + std::to_string(r.suggested) +
                        ", the fewest components whose next one lowers the cross-validated "
                        "RMSEP by less than 5 %.");
    const int chosen = tf::ChosenColumn(results, r, s.transfer.model);
    if (chosen >= 0 && in.samples > 0)
        notes.push_back("Drawn beside the analogue reconstruction: " +
                        tf::ModelName(results.columns[static_cast<std::size_t>(chosen)]) + ".");
    if (results.settings.randomVariables > 0) {
        double first = NAN;
        for (const double v : r.firstComponent)
            if (std::isfinite(v)) first = v;
        notes.push_back(
            "Significance: the share of the fossil variance each reconstruction "
            "explains, against " +
            std::to_string(results.settings.randomVariables) +
            " reconstructions of random variables (seed " + std::to_string(results.settings.seed) +
            "); the first principal component of the fossil table explains " +
            Cell(100 * first, 1) + " %.");
    }
    return notes;
}

}  // namespace

const tf::ParamResult* TransferResultOf(const Workspace& ws, const FigureSettings& s, int param,
                                        bool withFossil)
{
    const TransferFigureData& t = s.transfer;
    if (!t.results || !t.inputs || t.results->cancelled) return nullptr;
    const tf::ParamResult* found = nullptr;
    for (const tf::ParamResult& r : t.results->params)
        if (r.param == param) found = &r;
    if (!found || found->apparentFigures.size() != t.results->columns.size()) return nullptr;
    if (!withFossil) return found;
    const int n = ws.fossilSampleCount;
    if (n < 1 || t.inputs->samples != n || found->fossil.rows() < n ||
        t.inputs->sampleLabels.size() != ws.fossilSampleLabels.size())
        return nullptr;
    for (int f = 1; f <= n; ++f)
        if (t.inputs->sampleLabels[static_cast<std::size_t>(f)] !=
            ws.fossilSampleLabels[static_cast<std::size_t>(f)])
            return nullptr;
    return found;
}

std::string TransferModelName(const Workspace& ws, const FigureSettings& s, int param)
{
    const tf::ParamResult* r = TransferResultOf(ws, s, param, false);
    const int column = r ? tf::ChosenColumn(*s.transfer.results, *r, s.transfer.model) : -1;
    return column >= 0
               ? tf::ModelName(s.transfer.results->columns[static_cast<std::size_t>(column)])
               : std::string("a transfer function");
}

bool TransferFigureAvailable(const Workspace& ws, const FigureSettings& s, int param)
{
    const tf::ParamResult* r = TransferResultOf(ws, s, param, true);
    return r && tf::ChosenColumn(*s.transfer.results, *r, s.transfer.model) >= 0;
}

TransferPanels LayOutTransfer(const Canvas& c, const Workspace& ws, const FigureSettings& s,
                              int param)
{
    TransferPanels panels;
    const TransferData d = GatherTransfer(ws, s, param);
    if (d.column < 0) return panels;
    const TransferGeometry g = MeasureTransfer(c, ws, d, ParamName(ws, param));
    panels.analogue = !d.analogue.rows.empty();
    panels.column = d.column;
    panels.matColumn = tf::ColumnOf(*d.results, tf::Method::Mat);
    const auto model = panels.analogue ? g.panels[1] : g.panels[0];
    panels.modelX = {g.lo, g.hi, model.first, model.second};
    if (panels.analogue) panels.matX = {g.lo, g.hi, g.panels[0].first, g.panels[0].second};
    const DepthAxis axis(ws, g.top, g.bottom);
    panels.sampleY.assign(static_cast<std::size_t>(ws.fossilSampleCount) + 1, 0.0);
    for (int i = 1; i <= ws.fossilSampleCount; ++i) panels.sampleY[i] = axis.SampleY(i);
    return panels;
}

void DrawTransferFigure(Canvas& c, const Workspace& ws, const FigureSettings& s, int p)
{
    const Style& st = c.style();
    // The title in a smaller size where a narrow figure has no room for it.
    const std::string title = FigureTitle(ws, s, {FigureKind::Transfer, p});
    double titlePt = st.titlePt;
    while (titlePt > st.tickPt &&
           c.TextWidth(title, titlePt, false, true) > c.width() - 2 * kMargin)
        titlePt -= 0.5;
    c.Text(kMargin, kMargin, title, titlePt, 0, 0, 0, false, true);
    const TransferData d = GatherTransfer(ws, s, p);
    if (d.column < 0) return;
    const std::string axisTitle = ParamName(ws, p);
    const TransferGeometry g = MeasureTransfer(c, ws, d, axisTitle);
    const DepthAxis axis(ws, g.top, g.bottom);
    const Colours k = ColoursOf(ws);
    const int n = ws.fossilSampleCount;
    const bool two = !d.analogue.rows.empty();
    auto row = [&](int i) -> const ReconstructionRow* {
        if (!two || i < 1 || i > static_cast<int>(d.analogue.rows.size())) return nullptr;
        return &d.analogue.rows[static_cast<std::size_t>(i - 1)];
    };
    auto empty = [&](int i) {
        return i < static_cast<int>(ws.fossilSampleEmpty.size()) && ws.fossilSampleEmpty[i];
    };

    struct Side {
        std::string heading;
        std::function<double(int)> value, half;
        Colour line, band;
        std::pair<double, double> panel;
    };
    std::vector<Side> sides;
    if (two)
        sides.push_back({"MAT", [&](int i) { return row(i) ? row(i)->estimate : NAN; },
                         [&](int) { return d.analogue.rmsep; }, k.mat, k.matBand, g.panels[0]});
    sides.push_back({d.modelName, [&](int i) { return ModelEstimate(d, i); },
                     [&](int i) { return ModelHalfWidth(d, i); }, k.model, k.modelBand,
                     g.panels[two ? 1 : 0]});

    const double headingY = g.top - 1 - c.TextHeight(st.labelPt);
    for (const Side& side : sides) {
        const auto [left, right] = side.panel;
        const Scale x{g.lo, g.hi, left, right};
        c.Text((left + right) / 2, headingY, side.heading, st.labelPt, 0.5, 0, 0, false, true);
        c.Rect(left, g.top, right, g.bottom, std::nullopt, RGB(170, 170, 170), st.thinPt);
        c.SetClip(left, g.top, right, g.bottom);
        DrawBand(c, axis, x, n, side.value, side.half, side.band);
        for (int i = 1; i <= n; ++i)
            if (row(i) && row(i)->outside == 1 && !empty(i))
                c.Mark(left + 1.2, axis.SampleY(i), Marker::Triangle, 1.5, k.warning);
        DrawCurve(c, axis, x, n, side.value, side.line, st.thinPt);
        for (int i = 1; i <= n; ++i) {
            const double v = side.value(i);
            if (!std::isfinite(v)) continue;
            const bool poor = row(i) && row(i)->poorAnalogue == 1;
            c.Mark(x(v), axis.SampleY(i), poor ? Marker::Circle : Marker::Disc, 1.2, side.line);
        }
        c.ClearClip();
        DrawAxis(c, ::tarvex::fig::Side::Bottom, x, g.bottom, NiceTicks(g.lo, g.hi, 5), axisTitle);
    }
    axis.Draw(c, g.panels[0].first);
    const double legendWidth = g.panels.back().second - g.panels[0].first;
    DrawLegend(c, g.panels[0].first, g.legendTop, legendWidth,
               TransferLegend(c, ws, d, legendWidth));
}

FigureSize TransferTableSize(const Canvas& c, const Workspace& ws, const FigureSettings& s,
                             int param)
{
    const Style& st = c.style();
    const tf::ParamResult* r = TransferResultOf(ws, s, param, false);
    const double title = c.TextHeight(st.titlePt) + 2.5;
    if (!r) return {c.width(), std::ceil(2 * kMargin + title + 10)};
    const TableLayout t = LayOutTable(c, *s.transfer.results, *r);
    double height = kMargin + title + 1.5 +
                    t.line * static_cast<double>(2 + s.transfer.results->columns.size()) + 1.5;
    for (const std::string& note : TableNotes(s, *r))
        height += c.LineSpacing(st.tickPt) *
                  static_cast<double>(Wrap(c, note, st.tickPt, c.width() - 2 * kMargin).size());
    return {t.neededWidth, std::ceil(height + kMargin + 1)};
}

void DrawTransferTableFigure(Canvas& c, const Workspace& ws, const FigureSettings& s, int p)
{
    const Style& st = c.style();
    const double titleHeight =
        DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, {FigureKind::TransferTable, p}));
    const tf::ParamResult* r = TransferResultOf(ws, s, p, false);
    if (!r) return;
    const tf::Results& results = *s.transfer.results;
    const TableLayout t = LayOutTable(c, results, *r);
    const std::string validation = tf::ValidationText(results.settings);
    double y = kMargin + titleHeight + 1.5;

    // Two header rows: the groups over their columns, then the figures.
    auto groupHeading = [&](std::size_t from, std::size_t to, const std::string& text) {
        const double l = (from == 0 ? t.modelRight : t.at[from]) + 3, rgt = t.at[to];
        c.Text((l + rgt) / 2, y, text, st.tickPt, 0.5, 0, 0, false, true);
        const double under = y + c.TextHeight(st.tickPt) + 0.4;
        c.Line(l, under, rgt, under, kBlack, st.thinPt);
    };
    groupHeading(0, 4, "Apparent");
    groupHeading(4, 8,
                 validation.empty() ? "Not cross-validated" : "Cross-validated, " + validation);
    if (t.significance) groupHeading(8, 10, "Significance");
    y += t.line;
    c.Text(t.at[0], y, TableHeads()[0], st.tickPt, 0, 0, 0, false, true);
    for (std::size_t k = 1; k < t.at.size(); ++k)
        c.Text(t.at[k], y, TableHeads()[k], st.tickPt, 1, 0, 0, false, true);
    y += t.line;
    c.Line(t.at[0], y - 0.6, t.at.back(), y - 0.6, kBlack, st.axisPt);

    for (std::size_t row = 0; row < t.rows.size(); ++row) {
        const std::vector<std::string>& cells = t.rows[row];
        const bool bold = t.suggested[row];
        if (bold)
            c.Rect(t.at[0] - 1, y - 0.5, t.at.back() + 1, y + t.line - 0.7, RGB(235, 235, 235));
        c.Text(t.at[0], y, cells[0], st.tickPt, 0, 0, 0, false, bold);
        for (std::size_t k = 1; k < t.at.size(); ++k)
            c.Text(t.at[k], y, cells[k], st.tickPt, 1, 0, 0, false, bold);
        y += t.line;
    }
    c.Line(t.at[0], y - 0.4, t.at.back(), y - 0.4, kBlack, st.axisPt);
    y += 1.5;
    for (const std::string& note : TableNotes(s, *r))
        y += DrawLines(c, t.at[0], y, Wrap(c, note, st.tickPt, c.width() - 2 * kMargin), st.tickPt);
}

}  // namespace tarvex::fig
