// The results part of the transfer-function window: the table of figures, the curves along
// the fossil sequence and the significance line.
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QTableWidget>
#include <algorithm>
#include <cmath>

#include "batch/BatchTransfer.h"
#include "data/NumberText.h"
#include "tf/FossilCurve.h"
#include "tf/ModelChoice.h"
#include "tf/frmTransfer.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {

// Colours of the curves (0xBBGGRR): the analogue reconstruction and the chosen model, each
// with a light band of its sample-specific errors.
constexpr Colour kMatColour = RGB(200, 60, 30);
constexpr Colour kMatBand = RGB(245, 215, 205);
constexpr Colour kModelColour = RGB(30, 80, 190);
constexpr Colour kModelBand = RGB(205, 220, 245);
constexpr Colour kAxisColour = RGB(90, 90, 90);

QString Figure(double v)
{
    return std::isfinite(v) ? QString::fromStdString(FormatNumber(RoundTo(v, 4))) : QString();
}

// A step of round numbers (1, 2 or 5 times a power of ten) giving about `count` ticks.
double TickStep(double span, int count)
{
    if (!(span > 0)) return 1;
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

}  // namespace

int frmTransfer::ParameterIndex() const
{
    if (!results_) return -1;
    const int i = ComboParameter->currentIndex();
    return i >= 0 && i < static_cast<int>(results_->params.size()) ? i : -1;
}

int frmTransfer::ModelColumn() const
{
    if (!results_) return -1;
    const int c = ComboModel->currentData().toInt();
    return c >= 0 && c < static_cast<int>(results_->columns.size()) ? c : -1;
}

void frmTransfer::ShowResults()
{
    if (!results_) return;
    if (ComboParameter->count() != static_cast<int>(results_->params.size())) {
        const QSignalBlocker block(ComboParameter);
        ComboParameter->clear();
        for (const tf::ParamResult& p : results_->params)
            ComboParameter->addItem(
                QString::fromStdString(inputs_->paramNames[static_cast<std::size_t>(p.param)]));
        // The parameter of the reconstruction window, when it has one.
        const int current = preferredParam_ - 1;
        if (current >= 0 && current < ComboParameter->count())
            ComboParameter->setCurrentIndex(current);
    }
    FillModels();
    FillTable();
    DrawCurves();
    ShowSignificance();
}

void frmTransfer::FillModels()
{
    const int p = ParameterIndex();
    const QSignalBlocker block(ComboModel);
    const int previous =
        ComboModel->currentData().isValid() ? ComboModel->currentData().toInt() : -1;
    ComboModel->clear();
    if (p < 0) return;
    int chosen = -1;
    for (std::size_t c = 0; c < results_->columns.size(); ++c) {
        const tf::Column& col = results_->columns[c];
        if (col.method == tf::Method::Mat) continue;
        ComboModel->addItem(QString::fromStdString(tf::ModelName(col)), static_cast<int>(c));
        const bool suggested =
            col.method == tf::Method::WaPls && col.components == results_->params[p].suggested;
        if (suggested) chosen = ComboModel->count() - 1;
    }
    const int again = ComboModel->findData(previous);
    if (again >= 0 && previous >= 0 && results_->params[p].suggested == 0) chosen = again;
    if (chosen < 0) chosen = again >= 0 ? again : 0;
    ComboModel->setCurrentIndex(chosen);
}

void frmTransfer::FillTable()
{
    int suggestedRow = -1;
    TablePerformance->setRowCount(0);
    const int p = ParameterIndex();
    if (p < 0) return;
    const tf::ParamResult& r = results_->params[static_cast<std::size_t>(p)];
    const std::string validation = tf::ValidationText(results_->settings);
    int row = 0;
    for (std::size_t c = 0; c < results_->columns.size(); ++c) {
        const tf::Column& col = results_->columns[c];
        if (col.method == tf::Method::Mat && validation.empty()) continue;
        for (int validated = 0; validated <= (validation.empty() ? 0 : 1); ++validated) {
            const tf::Figures& f = validated ? r.validatedFigures[c] : r.apparentFigures[c];
            const bool suggested =
                validated && col.method == tf::Method::WaPls && col.components == r.suggested;
            // The change and the t-test of a component against the one before, on the
            // validated rows of WA-PLS.
            const std::size_t comp = static_cast<std::size_t>(col.components);
            const bool compared = validated && col.method == tf::Method::WaPls;
            const double change =
                compared && comp < r.rmsepChange.size() ? r.rmsepChange[comp] : tf::kNoEstimate;
            const double pv =
                compared && comp < r.componentP.size() ? r.componentP[comp] : tf::kNoEstimate;
            TablePerformance->insertRow(row);
            const QString cells[] = {
                tf::MethodName(col.method),
                col.components > 0 ? QString::number(col.components) : QString(),
                QString::fromStdString(validated ? validation : "apparent"),
                Figure(f.rmse),
                Figure(f.r2),
                Figure(f.meanBias),
                Figure(f.maxBias),
                std::isfinite(change) ? QString::fromStdString(FormatNumber(RoundTo(change, 2)))
                                      : QString(),
                std::isfinite(pv) ? QString::fromStdString(FormatNumber(RoundTo(pv, 3)))
                                  : QString(),
                suggested ? "suggested" : ""};
            for (int k = 0; k < 10; ++k) {
                auto* item = new QTableWidgetItem(cells[k]);
                if (suggested) {
                    QFont bold = item->font();
                    bold.setBold(true);
                    item->setFont(bold);
                    suggestedRow = row;
                }
                TablePerformance->setItem(row, k, item);
            }
            ++row;
        }
    }
    if (suggestedRow >= 0) {
        TablePerformance->selectRow(suggestedRow);
        TablePerformance->scrollToItem(TablePerformance->item(suggestedRow, 0),
                                       QAbstractItemView::PositionAtCenter);
    }
}

void frmTransfer::ShowSignificance()
{
    const int p = ParameterIndex();
    const int c = ModelColumn();
    if (p < 0 || c < 0 || results_->settings.randomVariables < 1) {
        LabelSignificance->setText(results_ && results_->settings.randomVariables < 1
                                       ? "No significance test was run."
                                       : "");
        return;
    }
    const tf::ParamResult& r = results_->params[static_cast<std::size_t>(p)];
    auto share = [](double v) {
        return std::isfinite(v) ? FormatNumber(RoundTo(100 * v, 1)) + " %"
                                : std::string("undefined");
    };
    auto line = [&](int column) {
        const double pv = r.pValue[static_cast<std::size_t>(column)];
        return tf::ModelName(results_->columns[static_cast<std::size_t>(column)]) + " explains " +
               share(r.explained[static_cast<std::size_t>(column)]) +
               " of the fossil variance, p = " +
               (std::isfinite(pv) ? FormatNumber(RoundTo(pv, 3)) : std::string("undefined"));
    };
    std::string text = line(c);
    for (std::size_t m = 0; m < results_->columns.size(); ++m)
        if (results_->columns[m].method == tf::Method::Mat)
            text += "; " + line(static_cast<int>(m));
    text += ". The first principal component of the fossil table explains " +
            share(r.firstComponent[static_cast<std::size_t>(c)]) + " (" +
            std::to_string(results_->settings.randomVariables) + " random variables, seed " +
            std::to_string(results_->settings.seed) + ").";
    LabelSignificance->setText(QString::fromStdString(text));
}

void frmTransfer::DrawCurves()
{
    PictureBox& pic = *PictureCurves;
    pic.ResetScale();
    pic.SetBackColor(kWhite);
    pic.Cls();
    const int p = ParameterIndex();
    const int c = ModelColumn();
    if (p < 0 || c < 0) {
        pic.SetCurrentX(10);
        pic.SetCurrentY(10);
        pic.SetForeColor(kAxisColour);
        pic.Print(Running() ? "Running..." : "Press Start to fit the transfer functions.");
        pic.Refresh();
        return;
    }
    const tf::ParamResult& r = results_->params[static_cast<std::size_t>(p)];
    const int matColumn = tf::ColumnOf(*results_, tf::Method::Mat);
    struct Panel {
        std::string title;
        std::vector<tf::CurvePoint> curve;
        Colour line, band;
    };
    std::vector<Panel> panels;
    if (matColumn >= 0)
        panels.push_back({"MAT (reconstruction window)",
                          tf::FossilCurve(*inputs_, r, matColumn, numericLabels_), kMatColour,
                          kMatBand});
    panels.push_back({tf::ModelName(results_->columns[static_cast<std::size_t>(c)]),
                      tf::FossilCurve(*inputs_, r, c, numericLabels_), kModelColour, kModelBand});

    // One value axis and one depth axis for both panels.
    double lo = INFINITY, hi = -INFINITY, top = INFINITY, bottom = -INFINITY;
    for (const Panel& panel : panels)
        for (const tf::CurvePoint& pt : panel.curve) {
            lo = std::min({lo, pt.value, std::isfinite(pt.low) ? pt.low : pt.value});
            hi = std::max({hi, pt.value, std::isfinite(pt.high) ? pt.high : pt.value});
            top = std::min(top, pt.position);
            bottom = std::max(bottom, pt.position);
        }
    pic.SetForeColor(kAxisColour);
    if (!std::isfinite(lo)) {
        pic.SetCurrentX(10);
        pic.SetCurrentY(10);
        pic.Print("No fossil sample has an estimate: import a fossil table to see the curves.");
        pic.Refresh();
        return;
    }
    if (hi == lo) hi = lo + 1;
    if (bottom == top) bottom = top + 1;
    const double pad = (hi - lo) * 0.05;
    lo -= pad;
    hi += pad;

    const int width = pic.PixelWidth(), height = pic.PixelHeight();
    const int left = 78, right = 12, head = 22, foot = 44, gap = 24;
    const int n = static_cast<int>(panels.size());
    const int panelWidth = std::max(40, (width - left - right - gap * (n - 1)) / n);
    const double plotTop = head, plotBottom = std::max(head + 40, height - foot);
    auto yOf = [&](double position) {
        return plotTop + (position - top) / (bottom - top) * (plotBottom - plotTop);
    };
    const double xStep = TickStep(hi - lo, 4);
    const double yStep = TickStep(bottom - top, 6);

    // Axis titles: the fossil samples' positions up the left, the parameter under the panels.
    const std::string depth = depthTitle_;
    pic.RotatedText(4, static_cast<int>((plotTop + plotBottom) / 2 + pic.TextWidth(depth) / 2),
                    depth, static_cast<int>(std::lround(std::fabs(pic.TextHeight(depth)))), 0, 900,
                    false, kAxisColour);
    const std::string param = inputs_->paramNames[static_cast<std::size_t>(r.param)];
    pic.SetCurrentX(left + (width - left - right) / 2.0 - pic.TextWidth(param) / 2);
    pic.SetCurrentY(plotBottom + 5 + std::fabs(pic.TextHeight(param)) + 2);
    pic.Print(param);
    // Depth ticks on the left of the first panel.
    for (double y = std::ceil(top / yStep) * yStep; y <= bottom; y += yStep) {
        const std::string label = FormatNumber(RoundTo(y, 6));
        pic.Line(left - 4, yOf(y), left, yOf(y), kAxisColour);
        pic.SetCurrentX(left - 6 - pic.TextWidth(label));
        pic.SetCurrentY(yOf(y) - pic.TextHeight(label) / 2);
        pic.Print(label);
    }
    for (int i = 0; i < n; ++i) {
        const Panel& panel = panels[static_cast<std::size_t>(i)];
        const double x0 = left + i * (panelWidth + gap), x1 = x0 + panelWidth;
        auto xOf = [&](double v) { return x0 + (v - lo) / (hi - lo) * (x1 - x0); };
        // The band first, as steps half way to the neighbouring samples.
        for (std::size_t k = 0; k < panel.curve.size(); ++k) {
            const tf::CurvePoint& pt = panel.curve[k];
            if (!std::isfinite(pt.low)) continue;
            const double up = k > 0 ? (panel.curve[k - 1].position + pt.position) / 2 : pt.position;
            const double down = k + 1 < panel.curve.size()
                                    ? (panel.curve[k + 1].position + pt.position) / 2
                                    : pt.position;
            pic.BoxFill(xOf(pt.low), yOf(up), xOf(pt.high), std::max(yOf(down), yOf(up) + 1),
                        panel.band);
        }
        pic.Box(x0, plotTop, x1, plotBottom, kAxisColour);
        for (double v = std::ceil(lo / xStep) * xStep; v <= hi; v += xStep) {
            const std::string label = FormatNumber(RoundTo(v, 6));
            pic.Line(xOf(v), plotBottom, xOf(v), plotBottom + 4, kAxisColour);
            pic.SetCurrentX(xOf(v) - pic.TextWidth(label) / 2);
            pic.SetCurrentY(plotBottom + 5);
            pic.Print(label);
        }
        pic.SetDrawWidth(2);
        for (std::size_t k = 0; k < panel.curve.size(); ++k) {
            const tf::CurvePoint& pt = panel.curve[k];
            if (k + 1 < panel.curve.size())
                pic.Line(xOf(pt.value), yOf(pt.position), xOf(panel.curve[k + 1].value),
                         yOf(panel.curve[k + 1].position), panel.line);
            else if (k == 0)
                pic.PSet(xOf(pt.value), yOf(pt.position), panel.line);
        }
        pic.SetDrawWidth(1);
        pic.SetForeColor(panel.line);
        pic.SetCurrentX(x0);
        pic.SetCurrentY(3);
        pic.Print(panel.title);
        pic.SetForeColor(kAxisColour);
    }
    pic.Refresh();
}

bool frmTransfer::ReportTransfer(TransferFigureData& figure, TransferOptions& options) const
{
    if (!results_ || !inputs_) return false;
    options = OptionsOf(results_->settings, resultsLocations_);
    const int p = ParameterIndex();
    if (p >= 0)
        options.model = tf::ChoiceOfColumn(*results_, results_->params[static_cast<std::size_t>(p)],
                                           ModelColumn());
    figure.inputs = inputs_;
    figure.results = results_;
    figure.model = options.model;
    return true;
}

}  // namespace tarvex
