#include "figures/Report.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "data/NumberText.h"
#include "data/TableReader.h"
#include "figures/FigureExport.h"
#include "figures/FigureParts.h"
#include "figures/PaintSurface.h"
#include "mat/Analogues.h"

namespace tarvex::fig {

namespace {

constexpr double kPageMargin = 15;  // mm
const FigureSize kA4{210, 297};

std::vector<std::string> CellsOf(const std::string& record)
{
    std::vector<std::string> cells;
    CellReader reader(record);
    std::string cell;
    while (reader.ReadCell(cell)) cells.push_back(cell);
    // A record that ends in an empty field ("a,") leaves nothing for the reader to return.
    if (!record.empty() && record.back() == ',') cells.emplace_back();
    return cells;
}

std::string Quoted(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t'\"") == std::string::npos) return arg;
    std::string q = "'";
    for (const char ch : arg) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

std::string TableNumber(double v)
{
    return std::isfinite(v) ? FormatNumber(RoundTo(v, 3)) : std::string("undefined");
}

// The PDF being written: pages of a size each, drawn through Canvas.
class ReportPdf {
public:
    explicit ReportPdf(QBuffer& buffer, const std::string& footer) : pdf_(&buffer), footer_(footer)
    {
        pdf_.setResolution(static_cast<int>(kVectorDpi));
        pdf_.setCreator("Tarvex");
        pdf_.setTitle("Tarvex reconstruction report");
        pdf_.setPageMargins(QMarginsF(0, 0, 0, 0));
    }

    // Starts a page of the given size and returns its canvas, millimetres over the page.
    Canvas& NewPage(FigureSize size)
    {
        canvas_.reset();
        surface_.reset();
        pdf_.setPageSize(QPageSize(QSizeF(size.width, size.height), QPageSize::Millimeter,
                                   QString(), QPageSize::ExactMatch));
        if (pages_ == 0)
            painter_.begin(&pdf_);
        else
            pdf_.newPage();
        ++pages_;
        page_ = size;
        surface_ = std::make_unique<PaintSurface>(painter_, PixelsOf(size.width, kVectorDpi),
                                                  PixelsOf(size.height, kVectorDpi), kVectorDpi);
        canvas_ = std::make_unique<Canvas>(*surface_, size.width, size.height);
        const Style& st = canvas_->style();
        canvas_->Text(kPageMargin, size.height - 8, footer_ + ", page " + std::to_string(pages_),
                      st.smallPt, 0, 1, 0, false, false, RGB(100, 100, 100));
        return *canvas_;
    }

    // Draws a figure with its top-left corner at (x, y) mm of the page.
    void PlaceFigure(double x, double y, const Workspace& ws, const FigureSettings& settings,
                     const FigureJob& job, FigureSize size)
    {
        painter_.save();
        painter_.translate(x / 25.4 * kVectorDpi, y / 25.4 * kVectorDpi);
        PaintSurface surface(painter_, PixelsOf(size.width, kVectorDpi),
                             PixelsOf(size.height, kVectorDpi), kVectorDpi);
        Canvas canvas(surface, size.width, size.height);
        DrawFigure(canvas, ws, settings, job);
        painter_.restore();
    }

    FigureSize Page() const { return page_; }
    int Pages() const { return pages_; }

    bool Finish()
    {
        canvas_.reset();
        surface_.reset();
        return pages_ > 0 && painter_.end();
    }

private:
    QPdfWriter pdf_;
    QPainter painter_;
    std::unique_ptr<PaintSurface> surface_;
    std::unique_ptr<Canvas> canvas_;
    std::string footer_;
    FigureSize page_;
    int pages_ = 0;
};

// Text set down a page and on to the next ones: lines, headings and two-column rows.
class TextFlow {
public:
    TextFlow(ReportPdf& pdf, std::function<void()> onPage) : pdf_(pdf), onPage_(std::move(onPage))
    {
        Next();
    }

    Canvas& canvas() { return *canvas_; }
    double Width() const { return kA4.width - 2 * kPageMargin; }

    void Space(double mm) { y_ += mm; }

    void Heading(const std::string& text, double pt)
    {
        Room(canvas_->LineSpacing(pt) * 2.2);
        y_ += canvas_->LineSpacing(pt) * 0.4;
        canvas_->Text(kPageMargin, y_, text, pt, 0, 0, 0, false, true);
        y_ += canvas_->LineSpacing(pt) * 1.2;
    }

    // A row of cells at the given x offsets (mm from the margin), each wrapped to its width.
    void Row(const std::vector<std::string>& cells, const std::vector<double>& at,
             const std::vector<double>& widths, double pt, bool bold = false)
    {
        std::vector<std::vector<std::string>> wrapped;
        std::size_t lines = 1;
        for (std::size_t k = 0; k < cells.size(); ++k) {
            wrapped.push_back(Wrap(*canvas_, cells[k], pt, widths[k]));
            lines = std::max(lines, wrapped.back().size());
        }
        const double row = canvas_->LineSpacing(pt);
        Room(row * static_cast<double>(lines));
        for (std::size_t k = 0; k < cells.size(); ++k)
            for (std::size_t l = 0; l < wrapped[k].size(); ++l)
                canvas_->Text(kPageMargin + at[k], y_ + row * static_cast<double>(l), wrapped[k][l],
                              pt, 0, 0, 0, false, bold);
        y_ += row * static_cast<double>(lines);
    }

    void Line(const std::string& text, double pt) { Row({text}, {0}, {Width()}, pt); }

private:
    void Room(double need)
    {
        if (y_ + need > kA4.height - kPageMargin - 6) Next();
    }
    void Next()
    {
        canvas_ = &pdf_.NewPage(kA4);
        y_ = kPageMargin;
        if (onPage_) onPage_();
    }

    ReportPdf& pdf_;
    std::function<void()> onPage_;
    Canvas* canvas_ = nullptr;
    double y_ = 0;
};

// The run record's pages.
void RunRecordPages(ReportPdf& pdf, const std::vector<std::vector<std::string>>& records,
                    std::vector<std::string>* names)
{
    TextFlow flow(pdf, [names] {
        if (names) names->push_back("Run record");
    });
    const Style st;
    const double pt = st.tickPt + 1;
    flow.Heading("Tarvex reconstruction report", 16);
    enum class Part { Head, Options, Inputs } part = Part::Head;
    double keyWidth = 0;
    for (const auto& r : records)
        if (!r.empty())
            keyWidth = std::max(keyWidth, flow.canvas().TextWidth(r[0], pt, false, true));
    keyWidth = std::min(keyWidth + 4, 60.0);
    const double valueWidth = flow.Width() - keyWidth;
    for (std::size_t k = 0; k < records.size(); ++k) {
        const std::vector<std::string>& r = records[k];
        if (r.empty()) continue;
        if (k == 0 && r.size() == 1) continue;  // the record's own name
        if (r.size() == 2 && r[0] == "Option" && r[1] == "Value") {
            part = Part::Options;
            flow.Heading("Settings", st.labelPt + 2);
            continue;
        }
        if (r.size() == 4 && r[0] == "Input") {
            part = Part::Inputs;
            flow.Heading("Input files (size and SHA-256)", st.labelPt + 2);
            continue;
        }
        if (part == Part::Inputs && r.size() >= 4) {
            flow.Row({r[0], r[1]}, {0, keyWidth}, {keyWidth, valueWidth}, pt);
            flow.Row({r[2] + " bytes"}, {keyWidth}, {valueWidth}, pt);
            flow.Row({"SHA-256 " + r[3]}, {keyWidth}, {valueWidth}, pt);
            flow.Space(1.2);
            continue;
        }
        std::string value;
        if (r[0] == "Command line") {
            for (std::size_t a = 1; a < r.size(); ++a) value += (a > 1 ? " " : "") + Quoted(r[a]);
        } else {
            for (std::size_t a = 1; a < r.size(); ++a) value += (a > 1 ? ", " : "") + r[a];
        }
        flow.Row({r[0], value.empty() && part == Part::Options ? "(none)" : value}, {0, keyWidth},
                 {keyWidth, valueWidth}, pt, false);
    }
}

void ErrorTablePages(ReportPdf& pdf, const Workspace& ws, std::vector<std::string>* names)
{
    TextFlow flow(pdf, [names] {
        if (names) names->push_back("Error model table");
    });
    const Style st;
    const double pt = st.tickPt + 1;
    flow.Heading("Error model of every parameter (leave-one-out)", st.labelPt + 2);
    const std::vector<double> at = {0, 55, 72, 97, 122, 150};
    const std::vector<double> widths = {54, 16, 24, 24, 27, 30};
    flow.Row({"Parameter", "n", "RMSEP", "R²", "Mean bias", "Maximum bias"}, at, widths, pt, true);
    for (int p = 1; p <= ws.climateParamCount; ++p) {
        const ErrorModelSummary e = SummariseErrorModel(ws, p);
        flow.Row({ParamName(ws, p), std::to_string(e.sites), TableNumber(e.rmsep),
                  TableNumber(e.r2), TableNumber(e.meanBias), TableNumber(e.maxBias)},
                 at, widths, pt);
    }
    flow.Space(2);
    flow.Line(
        "Residual = estimated - observed. The maximum bias is the mean residual of the one "
        "of ten equal bins of the observed range where it is largest in magnitude.",
        st.tickPt);
}

std::string Footer(const std::vector<std::vector<std::string>>& records)
{
    std::string version, when;
    for (const auto& r : records) {
        if (r.size() >= 2 && r[0] == "Version") version = r[1];
        if (r.size() >= 2 && r[0].rfind("Date and time", 0) == 0) when = r[1];
    }
    std::string footer = "Tarvex" + (version.empty() ? "" : " " + version) + " report";
    if (!when.empty()) footer += ", run of " + when;
    return footer;
}

// A page the figure fits on with the margins: A4 upright, A4 across, or larger.
FigureSize PageFor(FigureSize figure)
{
    const double w = figure.width + 2 * kPageMargin, h = figure.height + 2 * kPageMargin + 6;
    if (w <= kA4.width && h <= kA4.height) return kA4;
    if (w <= kA4.height && h <= kA4.width) return {kA4.height, kA4.width};
    return {std::max(w, kA4.height), std::max(h, kA4.width)};
}

bool Write(const Workspace& ws, const FigureSettings& settings, const std::string& runRecord,
           QBuffer& buffer, std::vector<std::string>* names)
{
    const std::vector<std::vector<std::string>> records = ParseRecords(runRecord);
    std::vector<std::string> pages;
    ReportPdf pdf(buffer, Footer(records));
    RunRecordPages(pdf, records, &pages);
    const bool errorModel = ws.refSiteCount > 0 && ws.climateParamCount >= 1 &&
                            ws.siteReconValues.rows() >= ws.refSiteCount &&
                            ws.siteReconValues.cols() >= ws.climateParamCount;
    bool tableDone = false, slotFree = false;
    double tableY = -1;  // where the next table goes on the page of tables, mm; -1: none
    for (const FigureJob& job : ReportFigures(ws, settings)) {
        const bool afterReconstructions =
            job.kind != FigureKind::Diagram && job.kind != FigureKind::ScorePlots &&
            job.kind != FigureKind::Reconstruction && job.kind != FigureKind::Transfer &&
            job.kind != FigureKind::TransferTable;
        if (errorModel && !tableDone && afterReconstructions) {
            ErrorTablePages(pdf, ws, &pages);
            tableDone = true;
            slotFree = false;
            tableY = -1;
        }
        const FigureSize size = FigureSizeFor(ws, settings, job, DefaultFigureSize(job.kind));
        // The tables of the transfer functions follow each other down a page while they fit.
        const bool table = job.kind == FigureKind::TransferTable;
        if (table && tableY > 0 && tableY + size.height <= pdf.Page().height - kPageMargin - 6) {
            pdf.PlaceFigure((pdf.Page().width - size.width) / 2, tableY, ws, settings, job, size);
            pages.back() += "+" + FigureFileStem(job);
            tableY += size.height + 4;
            continue;
        }
        // Two error-model figures share a page.
        if (job.kind == FigureKind::ErrorModel && slotFree) {
            pdf.PlaceFigure((pdf.Page().width - size.width) / 2, kPageMargin + size.height + 8, ws,
                            settings, job, size);
            pages.back() += "+" + FigureFileStem(job);
            slotFree = false;
            continue;
        }
        const FigureSize page = PageFor(size);
        pdf.NewPage(page);
        pages.push_back(FigureFileStem(job));
        pdf.PlaceFigure((page.width - size.width) / 2, kPageMargin, ws, settings, job, size);
        slotFree = job.kind == FigureKind::ErrorModel &&
                   2 * size.height + 8 <= page.height - 2 * kPageMargin - 6;
        tableY = table ? kPageMargin + size.height + 4 : -1;
    }
    if (errorModel && !tableDone) ErrorTablePages(pdf, ws, &pages);
    if (names) *names = pages;
    return pdf.Finish();
}

}  // namespace

std::vector<std::vector<std::string>> ParseRecords(const std::string& text)
{
    std::vector<std::vector<std::string>> records;
    std::string record;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '"') quoted = !quoted;
        if (!quoted && (ch == '\r' || ch == '\n')) {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            records.push_back(CellsOf(record));
            record.clear();
            continue;
        }
        record += ch;
    }
    if (!record.empty()) records.push_back(CellsOf(record));
    return records;
}

std::string RenderReport(const Workspace& ws, const FigureSettings& settings,
                         const std::string& runRecord, std::string* reason)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!Write(ws, settings, runRecord, buffer, nullptr)) {
        if (reason) *reason = "The report's PDF could not be made.";
        return {};
    }
    buffer.close();
    return bytes.toStdString();
}

std::vector<std::string> ReportPageNames(const Workspace& ws, const FigureSettings& settings,
                                         const std::string& runRecord)
{
    std::vector<std::string> names;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Write(ws, settings, runRecord, buffer, &names);
    return names;
}

}  // namespace tarvex::fig
