#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "batch/RunRecord.h"
#include "data/NumberText.h"
#include "diagram/DiagramLayout.h"
#include "figures/Canvas.h"
#include "figures/FigureExport.h"
#include "figures/FigureRun.h"
#include "figures/Figures.h"
#include "figures/PaintSurface.h"
#include "figures/Report.h"
#include "mat/ReconstructionTable.h"
#include "support/Pdf.h"
#include "support/Records.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// One calibrated run of the example data with every figure and the report, shared by the
// tests below.
class ExampleFigures : public SharedFigureRun<ExampleFigures> {
protected:
    static void SetUpTestSuite()
    {
        RunOnce("figures-example", [](const std::string& dir) {
            return std::vector<std::string>{"--reference", kExamples + "reference.csv",
                                            "--fossil",    kExamples + "fossil.csv",
                                            "--climate",   kExamples + "climate.csv",
                                            "--calibrate", "--envelope",
                                            "--report",    dir + "/report.pdf",
                                            "--figures",   dir + "/figures",
                                            "--out",       dir + "/out"};
        });
    }
};

// The SVG writer's groups that hold nothing are left out, nested ones too; a group with
// content, a self-closed group and other tags beginning with "g" stay as they are.
TEST(FigureLayerTest, SvgLeavesOutEmptyGroups)
{
    EXPECT_EQ(fig::WithoutEmptyGroups("<svg>\n<g fill=\"none\">\n</g>\n<text>a</text>\n</svg>"),
              "<svg>\n<text>a</text>\n</svg>");
    EXPECT_EQ(fig::WithoutEmptyGroups("<g a=\"1\"><g\nb=\"2\">\n </g>\n</g>\n<path d=\"M0\"/>"),
              "<path d=\"M0\"/>");
    const std::string kept = "<g a=\"1\"><path d=\"M0\"/></g><g/><glyph>\n</g><g>x</g>";
    EXPECT_EQ(fig::WithoutEmptyGroups(kept), kept);
}

TEST(FigureLayerTest, FiguresAreSetInAnInstalledFace)
{
    QFont font(fig::kFontFamily);
    EXPECT_EQ(QFontInfo(font).family(), QString(fig::kFontFamily));
    for (const char* text : {"A", "°", "±", "²", "−", "×"})
        EXPECT_TRUE(QFontMetrics(font).inFont(QString::fromUtf8(text).at(0))) << text;
}

TEST(FigureLayerTest, TicksFallOnRoundValues)
{
    struct Case {
        double lo, hi;
        int target;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {0, 10, 5, {"0", "2", "4", "6", "8", "10"}},
        {-25, 5, 5, {"-25", "-20", "-15", "-10", "-5", "0", "5"}},
        {0, 1, 5, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
        {0.0013, 0.0042, 3, {"0.002", "0.003", "0.004"}},
        {100, 395, 5, {"100", "150", "200", "250", "300", "350"}},
        {-0.3, 0.3, 4, {"-0.2", "0.0", "0.2"}},
        {7, 7, 5, {"6.4", "6.6", "6.8", "7.0", "7.2", "7.4", "7.6"}},  // one value: spread out
    };
    for (const Case& c : cases) {
        const fig::Ticks t = fig::NiceTicks(c.lo, c.hi, c.target);
        EXPECT_EQ(t.labels, c.labels) << c.lo << ".." << c.hi;
    }
    double lo = -3.2, hi = 18.7;
    fig::NiceRange(lo, hi, 5);
    EXPECT_EQ(lo, -5);
    EXPECT_EQ(hi, 20);
    EXPECT_EQ(fig::FixedText(-0.00001, 2), "0.00");
    EXPECT_EQ(fig::FixedText(2.5, 2), "2.50");
    EXPECT_EQ(fig::ShortText(0.003346368), "0.00335");
}

// Every figure keeps its titles, tick labels and names as text: <text> elements in the SVG and
// text that pdftotext finds in the PDF.
TEST_F(ExampleFigures, TextStaysText)
{
    std::vector<std::string> taxa(ws().fossilTaxonNames.begin() + 1, ws().fossilTaxonNames.end());
    taxa.insert(taxa.end(), {"Depth", "Total dispersion", "10 %", "outside the envelope"});
    const std::map<std::string, std::vector<std::string>> expected = {
        {"diagram", taxa},
        {"score-plots", {"EOF-1 (48.4 %)", "EOF-2 (19.7 %)", "Taxa", "Pinus", "fossil sample"}},
        {"reconstruction-1",
         {"Tcold", "Depth", "Closest distance", "-20", "68.2 % region", "95.4 % region", "5 %",
          "median", "no region: estimate beyond the calibration"}},
        {"reconstruction-3", {"Pann", "estimate ± RMSEP 81.8", "smoothed (3 samples)"}},
        {"error-model-2",
         {"Twarm, observed", "Twarm, estimated", "Residual (estimated − observed)", "R² = 0.769"}},
        {"analogue-quality", {"Distance to the closest modern site", "5 %: 0.00335", "Depth"}},
        {"strativ", {"Tcold", "Probability", "0.05", "mode", "median"}},
        {"calibration-chart", {"Tcold, reconstructed", "Tcold, observed", "Probability", "-25"}},
    };
    static const QRegularExpression emptyGroup("<g(\\s[^>]*)?>\\s*</g>");
    for (const auto& [stem, wanted] : expected) {
        const std::string base = dir_ + "/figures/" + stem;
        EXPECT_FALSE(emptyGroup.match(QString::fromStdString(ReadAll(base + ".svg"))).hasMatch())
            << stem;
        const std::vector<std::string> svg = SvgTexts(ReadAll(base + ".svg"));
        const std::string pdf = PdfText(base + ".pdf").toStdString();
        ASSERT_FALSE(svg.empty()) << stem;
        for (const std::string& text : wanted) {
            EXPECT_TRUE(std::any_of(svg.begin(), svg.end(),
                                    [&](const std::string& t) { return t.find(text) != t.npos; }))
                << stem << ": " << text;
            EXPECT_NE(pdf.find(text), std::string::npos) << stem << ": " << text;
        }
    }
}

// One size in millimetres for every format: the SVG's width and height, the PDF's page, and
// the PNG's pixels at its resolution.
TEST_F(ExampleFigures, FormatsShareTheSizeInMillimetres)
{
    const fig::FigureJob job{fig::FigureKind::ErrorModel, 2};
    const fig::FigureSize size{150, 80};
    fig::ExportSettings e;
    e.size = size;
    e.format = fig::FigureFormat::Svg;
    const std::string svg = fig::RenderFigureFile(ws(), settings(), job, e);
    const QRegularExpressionMatch m =
        QRegularExpression("<svg width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\"")
            .match(QString::fromStdString(svg));
    ASSERT_TRUE(m.hasMatch());
    // Whole pixels at 600 dpi: within 1/600 inch.
    EXPECT_NEAR(m.captured(1).toDouble(), 150, 0.05);
    EXPECT_NEAR(m.captured(2).toDouble(), 80, 0.05);

    e.format = fig::FigureFormat::Pdf;
    const std::string pdf = dir_ + "/size.pdf";
    std::ofstream(pdf, std::ios::binary) << fig::RenderFigureFile(ws(), settings(), job, e);
    const QString info = PdfToolOutput("pdfinfo", {QString::fromStdString(pdf)});
    const QRegularExpressionMatch page =
        QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+) pts").match(info);
    ASSERT_TRUE(page.hasMatch()) << info.toStdString();
    EXPECT_NEAR(page.captured(1).toDouble(), 150 / 25.4 * 72, 0.5);
    EXPECT_NEAR(page.captured(2).toDouble(), 80 / 25.4 * 72, 0.5);

    e.format = fig::FigureFormat::Png;
    e.pngDpi = 150;
    const std::string png = fig::RenderFigureFile(ws(), settings(), job, e);
    QImage image;
    ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(png.data()),
                                   static_cast<int>(png.size()), "PNG"));
    EXPECT_EQ(image.width(), 886);  // 150 mm at 150 dpi
    EXPECT_EQ(image.height(), 472);
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 150, 0.05);
    e.pngDpi = 5000;
    std::string reason;
    EXPECT_TRUE(fig::RenderFigureFile(ws(), settings(), job, e, &reason).empty());
    EXPECT_NE(reason.find("72 to 1200"), std::string::npos);
}

// The diagram's columns share one percentage scale: drawn as bars, every column's bar of a
// sample is as many pixels long per percent as every other's.
TEST_F(ExampleFigures, DiagramColumnsShareOnePercentScale)
{
    FigureSettings s = settings();
    s.diagram.bars = true;
    const fig::FigureJob job{fig::FigureKind::Diagram};
    const fig::FigureSize size = fig::FigureSizeFor(ws(), s, job, fig::DefaultFigureSize(job.kind));
    const double dpi = 300, pxPerMm = dpi / 25.4;
    const QImage image = fig::RenderFigureImage(ws(), s, job, size, dpi);
    const Probe probe(size, dpi);
    const fig::DiagramColumnsLayout layout = fig::LayOutDiagramColumns(*probe.canvas, ws(), s);
    const SampleAxis axis(ws().fossilSampleLabels, ws().fossilSampleCount, ws().fossilTextLabels);
    const int n = ws().fossilSampleCount;
    int measured = 0;
    for (const int i : {3, 17, 40}) {
        const double y = layout.top + (axis.Y(i) - axis.Y(1)) / (axis.Y(n) - axis.Y(1)) *
                                          (layout.bottom - layout.top);
        const int py = static_cast<int>(std::lround(y * pxPerMm));
        for (std::size_t c = 0; c < layout.taxa.size(); ++c) {
            const double percent = 100 * ws().fossilProportions(i, layout.taxa[c]);
            if (percent < 2) continue;
            int px = static_cast<int>(std::lround(layout.zeroX[c] * pxPerMm));
            const int start = px;
            while (px < image.width() && image.pixel(px, py) != qRgb(255, 255, 255)) ++px;
            const double perPercent = (px - start) / percent;
            // The rounding of both ends to whole pixels, and the zero line's width.
            EXPECT_NEAR(perPercent * percent, layout.mmPerPercent * pxPerMm * percent, 2.5)
                << "sample " << i << ", taxon " << ws().fossilTaxonNames[layout.taxa[c]];
            ++measured;
        }
    }
    EXPECT_GT(measured, 20);
}

// The error band drawn for a sample is the band of reconstruction.csv: the filled shapes of
// the SVG have corners at both ends of both confidence regions of every sample of the
// calibrated parameter, and at the estimate +- RMSEP of another parameter.
TEST_F(ExampleFigures, ErrorBandIsThatOfTheTable)
{
    const Records table = ReadRecords(ReadAll(dir_ + "/out/reconstruction.csv"));
    const Records summary = ReadRecords(ReadAll(dir_ + "/out/error-model-summary.csv"));
    for (const int p : {1, 3}) {
        const fig::FigureJob job{fig::FigureKind::Reconstruction, p};
        const fig::FigureSize size = fig::DefaultFigureSize(job.kind);
        const Probe probe(size, fig::kVectorDpi);
        const fig::ReconstructionPanel panel =
            fig::LayOutReconstruction(*probe.canvas, ws(), settings(), p);
        const std::string svg =
            ReadAll(dir_ + "/figures/reconstruction-" + std::to_string(p) + ".svg");
        const std::vector<std::pair<double, double>> corners = PathCorners(svg);
        const double px = fig::kVectorDpi / 25.4;
        auto cornerAt = [&](double value, int sample) {
            const double x = panel.x(value) * px, y = panel.sampleY[sample] * px;
            return std::any_of(corners.begin(), corners.end(), [&](const auto& c) {
                return std::fabs(c.first - x) < 0.5 && std::fabs(c.second - y) < 0.5;
            });
        };
        const double rmsep = std::stod(summary[static_cast<std::size_t>(p)][2]);
        int checked = 0;
        for (int i = 2; i < 60; ++i) {
            const auto& row = table[static_cast<std::size_t>((p - 1) * 60 + i)];
            // Samples within a run of samples with a band: those are drawn as shapes.
            const auto& before = table[static_cast<std::size_t>((p - 1) * 60 + i - 1)];
            const auto& after = table[static_cast<std::size_t>((p - 1) * 60 + i + 1)];
            const int lo = p == 1 ? 10 : 2;
            if (row[lo].empty() || before[lo].empty() || after[lo].empty()) continue;
            if (p == 1) {
                for (const int col : {10, 11, 12, 13})
                    EXPECT_TRUE(cornerAt(std::stod(row[col]), i))
                        << "sample " << i << " col " << col;
            } else {
                const double e = std::stod(row[2]);
                EXPECT_TRUE(cornerAt(e - rmsep, i)) << i;
                EXPECT_TRUE(cornerAt(e + rmsep, i)) << i;
            }
            ++checked;
        }
        EXPECT_GT(checked, 30) << p;
    }
}

// A narrow calibrated reconstruction (a journal column, 90 mm) gives its legend the lines it
// needs: nothing is drawn in the last millimetre at the bottom or on the right.
TEST_F(ExampleFigures, NarrowReconstructionKeepsItsLegendInside)
{
    const fig::FigureJob job{fig::FigureKind::Reconstruction, 1};
    const QImage image = fig::RenderFigureImage(ws(), settings(), job, {90, 120}, 150);
    ASSERT_FALSE(image.isNull());
    const int edge = fig::PixelsOf(1, 150);
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (y >= image.height() - edge || x >= image.width() - edge)
                inked += image.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_EQ(inked, 0);
}

// The report: the run record's pages (every setting and every input's SHA-256 as text), then
// the figures in their order with the error-model table before the error-model figures.
TEST_F(ExampleFigures, ReportHoldsTheRecordAndTheFigures)
{
    const std::string pdf = dir_ + "/report.pdf";
    const std::vector<std::string> pages =
        fig::ReportPageNames(ws(), settings(), renderer_->runRecord);
    const std::vector<std::string> expected = {
        "Run record",       "diagram",          "score-plots",       "reconstruction-1",
        "reconstruction-2", "reconstruction-3", "Error model table", "error-model-1+error-model-2",
        "error-model-3",    "analogue-quality", "strativ",           "calibration-chart"};
    EXPECT_EQ(pages, expected);
    EXPECT_EQ(PdfPageCount(pdf), static_cast<int>(expected.size()));

    const std::string text = PdfText(pdf).toStdString();
    const Records record = ReadRecords(ReadAll(dir_ + "/out/run-record.csv"));
    EXPECT_EQ(renderer_->runRecord, ReadAll(dir_ + "/out/run-record.csv"));
    int digests = 0, settingsFound = 0;
    for (const auto& r : record) {
        if (r.size() == 4 && r[0] != "Input") {
            EXPECT_NE(text.find(r[3]), std::string::npos) << r[0];
            ++digests;
        }
        if (r.size() == 2 && r[0].rfind("--", 0) == 0) {
            EXPECT_NE(text.find(r[0]), std::string::npos) << r[0];
            if (!r[1].empty()) {
                EXPECT_NE(text.find(r[1]), std::string::npos) << r[0] << " " << r[1];
            }
            ++settingsFound;
        }
    }
    EXPECT_EQ(digests, 3);
    EXPECT_EQ(settingsFound,
              static_cast<int>(EffectiveOptions(BatchOptions{}, Workspace{}, {}).size()));
    for (const char* title : {"Tarvex reconstruction report", "Error model of every parameter",
                              "Pinus", "Total dispersion", "Closest distance", "Twarm, observed"})
        EXPECT_NE(text.find(title), std::string::npos) << title;
}

// --report-parameters chooses the parameters of the report and the figure files; one the
// climate table does not have stops the run with nothing written.
TEST(FigureRunTest, ReportParametersChooseTheFigures)
{
    const std::string dir = FreshDir("figures-parameters");
    CapturingRenderer renderer;
    const std::vector<std::string> base = {
        "--reference", kExamples + "reference.csv", "--fossil",     kExamples + "fossil.csv",
        "--climate",   kExamples + "climate.csv",   "--error-model"};
    auto args = base;
    args.insert(args.end(), {"--report-parameters", "Pann,2", "--figures", dir + "/f", "--report",
                             dir + "/r.pdf", "--out", dir + "/out"});
    const FigureRunResult run = RunWithFigures(renderer, args);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* stem : {"reconstruction-3", "reconstruction-2", "error-model-3", "diagram"})
        EXPECT_TRUE(std::filesystem::exists(dir + "/f/" + stem + ".svg")) << stem;
    EXPECT_FALSE(std::filesystem::exists(dir + "/f/reconstruction-1.svg"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/f/strativ.svg"));  // no calibration
    const std::vector<std::string> pages =
        fig::ReportPageNames(renderer.workspace, renderer.settings, renderer.runRecord);
    EXPECT_EQ(pages,
              (std::vector<std::string>{"Run record", "diagram", "score-plots", "reconstruction-3",
                                        "reconstruction-2", "Error model table",
                                        "error-model-3+error-model-2", "analogue-quality"}));

    const std::string bad = FreshDir("figures-parameters-bad");
    args = base;
    args.insert(args.end(),
                {"--report-parameters", "Tjul", "--report", bad + "/r.pdf", "--out", bad});
    const FigureRunResult refused = RunWithFigures(renderer, args);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("no parameter 'Tjul'"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(bad));
}

// The real data sets: Imbrie & Kipp's core V12-122 (numbers as depths, 27 taxa) and the SWAP
// diatoms with the RLGH core (277 taxa, most left out at 2 %).
TEST(FigureRunTest, RealDataSets)
{
    struct Set {
        const char* name;
        const char* modern;
        const char* fossil;
        const char* climate;
        std::vector<std::string> extra;
        std::vector<std::string> texts;
    };
    const Set sets[] = {
        {"imbrie-kipp",
         "imbrie-kipp/modern.csv",
         "imbrie-kipp/v12-122.csv",
         "imbrie-kipp/sst.csv",
         {},
         {"G.ruber", "O.univ", "SumSST", "WinSST"}},
        {"swap-rlgh",
         "swap-rlgh/modern.csv",
         "swap-rlgh/rlgh.csv",
         "swap-rlgh/ph.csv",
         {"--diagram-min-percent", "2"},
         {"BR001A", "pH", "221 of 277 taxa below 2 % not shown"}},
    };
    for (const Set& set : sets) {
        const std::string modern = SharedData(set.modern), fossil = SharedData(set.fossil),
                          climate = SharedData(set.climate);
        REQUIRE_SHARED_DATA(modern, fossil, climate);
        const std::string dir = FreshDir(std::string("figures-") + set.name);
        CapturingRenderer renderer;
        std::vector<std::string> args = {"--reference",       modern,  "--fossil",    fossil,
                                         "--climate",         climate, "--calibrate", "--report",
                                         dir + "/report.pdf", "--out", dir + "/out"};
        args.insert(args.end(), set.extra.begin(), set.extra.end());
        const FigureRunResult run = RunWithFigures(renderer, args);
        ASSERT_EQ(run.status, 0) << set.name << ": " << run.err;
        const std::string text = PdfText(dir + "/report.pdf").toStdString();
        for (const std::string& t : set.texts)
            EXPECT_NE(text.find(t), std::string::npos) << set.name << ": " << t;
        EXPECT_EQ(PdfPageCount(dir + "/report.pdf"),
                  static_cast<int>(fig::ReportPageNames(renderer.workspace, renderer.settings,
                                                        renderer.runRecord)
                                       .size()));
    }
}

// Lines, shapes and marks stop at the clip: nothing of them lands outside it, and what lies
// inside is drawn.
TEST(FigureLayerTest, ClipCutsShapesAtItsEdges)
{
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PaintSurface surface(painter, 200, 100, 254);  // 10 pixels to the millimetre
        fig::Canvas c(surface, 20, 10);
        c.SetClip(5, 2, 15, 8);
        c.Fill({{0, 0}, {20, 0}, {20, 10}, {0, 10}}, RGB(255, 0, 0));
        c.Line(0, 5, 20, 5, RGB(0, 0, 255), 1);
        c.Polyline({{-5, 1}, {10, 9}, {25, 1}}, RGB(0, 128, 0), 1);
        c.Mark(1, 1, fig::Marker::Disc, 1, RGB(0, 0, 255));  // outside: not drawn
        c.ClearClip();
    }
    int outside = 0, inside = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool in = x >= 51 && x <= 149 && y >= 21 && y <= 79;
            const bool border = x >= 48 && x <= 152 && y >= 18 && y <= 82;
            const bool white = image.pixel(x, y) == qRgb(255, 255, 255);
            if (!border && !white) ++outside;
            if (in && white) ++inside;
        }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(inside, 0);
    EXPECT_EQ(image.pixel(100, 50), qRgb(0, 0, 255));  // the line over the fill
}

// The run record is read back record by record, a line end inside quotes staying in its field.
TEST(FigureLayerTest, RecordsKeepQuotedLineEnds)
{
    const auto r = fig::ParseRecords("\"a\",\"b\r\nc\",1\r\n\"x\",\r\n\"last\"");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"a", "b\r\nc", "1"}));
    EXPECT_EQ(r[1], (std::vector<std::string>{"x", ""}));
    EXPECT_EQ(r[2], (std::vector<std::string>{"last"}));
}

// A sequence labelled by text is spaced evenly, its labels are the depth axis's ticks and the
// axis is titled "Sample".
TEST(FigureRunTest, TextLabelsMarkTheSampleAxis)
{
    const std::string dir = FreshDir("figures-text-labels");
    std::istringstream in(ReadAll(kExamples + "fossil.csv"));
    std::string line, text;
    for (int row = 0; std::getline(in, line); ++row)
        text += (row == 0 ? line : "L" + std::to_string(row) + line.substr(line.find(','))) + "\n";
    const std::string fossil = WriteTemp("figures-text-labels.csv", text);
    CapturingRenderer renderer;
    const FigureRunResult run =
        RunWithFigures(renderer, {"--reference", kExamples + "reference.csv", "--fossil", fossil,
                                  "--figures", dir + "/f", "--out", dir + "/out"});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(renderer.workspace.fossilTextLabels);
    const std::vector<std::string> texts = SvgTexts(ReadAll(dir + "/f/diagram.svg"));
    for (const char* wanted : {"Sample", "L1", "L3"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), wanted), texts.end()) << wanted;
}

}  // namespace
}  // namespace tarvex
