// The transfer functions in the figures and the report: the analogue and the chosen model side
// by side, their bands as the tables give them, and the figures of merit as a table.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <tuple>

#include "figures/Canvas.h"
#include "figures/FigureExport.h"
#include "figures/FigureRun.h"
#include "figures/Figures.h"
#include "figures/PaintSurface.h"
#include "figures/Report.h"
#include "support/Pdf.h"
#include "support/Records.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

bool CornerAt(const std::vector<std::pair<double, double>>& corners, double xMm, double yMm)
{
    const double px = fig::kVectorDpi / 25.4;
    return std::any_of(corners.begin(), corners.end(), [&](const auto& c) {
        return std::fabs(c.first - xMm * px) < 0.5 && std::fabs(c.second - yMm * px) < 0.5;
    });
}

bool HasText(const std::vector<std::string>& texts, const std::string& wanted)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(wanted) != t.npos; });
}

// Checks that the band of every sample inside a run of banded samples has its two edges,
// value -+ half, among the figure's path corners; returns how many samples were checked.
int CheckBand(const std::vector<std::pair<double, double>>& corners, const fig::Scale& x,
              const std::vector<double>& sampleY, const std::vector<double>& value,
              const std::vector<double>& half)
{
    const int n = static_cast<int>(value.size()) - 1;
    auto banded = [&](int i) { return std::isfinite(value[i]) && std::isfinite(half[i]); };
    int checked = 0;
    for (int i = 2; i < n; ++i) {
        if (!banded(i - 1) || !banded(i) || !banded(i + 1)) continue;
        EXPECT_TRUE(CornerAt(corners, x(value[i] - half[i]), sampleY[i])) << "sample " << i;
        EXPECT_TRUE(CornerAt(corners, x(value[i] + half[i]), sampleY[i])) << "sample " << i;
        ++checked;
    }
    return checked;
}

double Number(const std::string& cell)
{
    return cell.empty() ? NAN : std::stod(cell);
}

// The model's estimates and errors of one parameter from tf-reconstruction.csv, [1..samples].
void ModelColumn(const Records& table, const std::string& param, const std::string& method,
                 const std::string& components, std::vector<double>& estimate,
                 std::vector<double>& error)
{
    estimate.assign(1, NAN);
    error.assign(1, NAN);
    for (const auto& r : table)
        if (r.size() == 9 && r[1] == param && r[2] == method && r[3] == components) {
            estimate.push_back(Number(r[4]));
            error.push_back(Number(r[8]));
        }
}

// The example data with WA and WA-PLS cross-validated by leave-one-out, the report and the
// figure files.
class ExampleTransferFigures : public SharedFigureRun<ExampleTransferFigures> {
protected:
    static void SetUpTestSuite()
    {
        RunOnce("transfer-figures", [](const std::string& dir) {
            return std::vector<std::string>{"--reference",    kExamples + "reference.csv",
                                            "--fossil",       kExamples + "fossil.csv",
                                            "--climate",      kExamples + "climate.csv",
                                            "--error-model",  "--envelope",
                                            "--transfer",     "wa,wapls",
                                            "--cv",           "loo",
                                            "--significance", "19",
                                            "--report",       dir + "/report.pdf",
                                            "--figures",      dir + "/figures",
                                            "--out",          dir + "/out"};
        });
    }
};

TEST_F(ExampleTransferFigures, ReportHoldsTheTransferPagesAfterTheReconstructions)
{
    const std::vector<std::string> pages =
        fig::ReportPageNames(ws(), settings(), renderer_->runRecord);
    const std::vector<std::string> expected = {"Run record",
                                               "diagram",
                                               "score-plots",
                                               "reconstruction-1",
                                               "reconstruction-2",
                                               "reconstruction-3",
                                               "transfer-1",
                                               "transfer-2",
                                               "transfer-3",
                                               "transfer-performance-1+transfer-performance-2+"
                                               "transfer-performance-3",
                                               "Error model table",
                                               "error-model-1+error-model-2",
                                               "error-model-3",
                                               "analogue-quality"};
    EXPECT_EQ(pages, expected);
    EXPECT_EQ(PdfPageCount(dir_ + "/report.pdf"), static_cast<int>(expected.size()));
    const std::string text = PdfText(dir_ + "/report.pdf").toStdString();
    for (const char* t :
         {"Reconstruction of Twarm by the analogues and WA-PLS",
          "Transfer functions of Pann: figures of merit", "--transfer-model", "suggested"})
        EXPECT_NE(text.find(t), std::string::npos) << t;
    for (const char* stem : {"transfer-1", "transfer-performance-3"})
        for (const char* suffix : {".svg", ".pdf"})
            EXPECT_TRUE(std::filesystem::exists(dir_ + "/figures/" + stem + suffix)) << stem;
}

// Titles, axis titles, panel headings and the legend that names method, components and
// validation are text in both formats.
TEST_F(ExampleTransferFigures, TextStaysText)
{
    const tf::Results& results = *settings().transfer.results;
    const tf::ParamResult& r = results.params[0];
    const int column = tf::ChosenColumn(results, r, settings().transfer.model);
    ASSERT_GE(column, 0);
    const std::string model = tf::ModelName(results.columns[static_cast<std::size_t>(column)]);
    const std::vector<std::string> wanted = {"Tcold",
                                             "Depth",
                                             "MAT",
                                             model,
                                             model + ", leave-one-out: estimate ± RMSEP",
                                             "MAT, leave-one-out: estimate ± RMSEP",
                                             "no close analogue"};
    const std::string base = dir_ + "/figures/transfer-1";
    const std::vector<std::string> svg = SvgTexts(ReadAll(base + ".svg"));
    const std::string pdf = PdfText(base + ".pdf").toStdString();
    for (const std::string& t : wanted) {
        EXPECT_TRUE(HasText(svg, t)) << t;
        EXPECT_NE(pdf.find(t), std::string::npos) << t;
    }
}

// The analogue band is the reconstruction +- the error model's RMSEP, the model's band its
// estimate +- its cross-validated RMSEP, as reconstruction.csv, error-model-summary.csv,
// tf-reconstruction.csv and tf-performance.csv give them.
TEST_F(ExampleTransferFigures, BandsAreThoseOfTheTables)
{
    const Records recon = ReadRecords(ReadAll(dir_ + "/out/reconstruction.csv"));
    const Records summary = ReadRecords(ReadAll(dir_ + "/out/error-model-summary.csv"));
    const Records tfRecon = ReadRecords(ReadAll(dir_ + "/out/tf-reconstruction.csv"));
    const Records perf = ReadRecords(ReadAll(dir_ + "/out/tf-performance.csv"));
    const tf::Results& results = *settings().transfer.results;
    for (const int p : {1, 3}) {
        const std::string name = ws().climateParamNames[static_cast<std::size_t>(p)];
        const fig::FigureJob job{fig::FigureKind::Transfer, p};
        const Probe probe(fig::DefaultFigureSize(job.kind));
        const fig::TransferPanels panels = fig::LayOutTransfer(*probe.canvas, ws(), settings(), p);
        ASSERT_TRUE(panels.analogue);
        const tf::Column& col = results.columns[static_cast<std::size_t>(panels.column)];
        const std::string method = tf::MethodName(col.method);
        const std::string components = col.components > 0 ? std::to_string(col.components) : "";
        const auto corners =
            PathCorners(ReadAll(dir_ + "/figures/transfer-" + std::to_string(p) + ".svg"));

        std::vector<double> mat(1, NAN), matHalf(1, NAN);
        const double rmsep = Number(summary[static_cast<std::size_t>(p)][2]);
        for (const auto& r : recon)
            if (r.size() > 2 && r[1] == name) {
                mat.push_back(Number(r[2]));
                matHalf.push_back(rmsep);
            }
        ASSERT_EQ(mat.size(), static_cast<std::size_t>(ws().fossilSampleCount) + 1);
        EXPECT_GT(CheckBand(corners, panels.matX, panels.sampleY, mat, matHalf), 30) << name;

        std::vector<double> model, error;
        ModelColumn(tfRecon, name, method, components, model, error);
        ASSERT_EQ(model.size(), mat.size());
        double modelRmsep = NAN;
        for (const auto& r : perf)
            if (r[0] == name && r[1] == method && r[2] == components && r[3] == "leave-one-out")
                modelRmsep = Number(r[4]);
        ASSERT_TRUE(std::isfinite(modelRmsep)) << name;
        std::vector<double> half(model.size(), modelRmsep);
        EXPECT_GT(CheckBand(corners, panels.modelX, panels.sampleY, model, half), 30) << name;
        // One value scale for both panels.
        EXPECT_EQ(panels.matX.d0, panels.modelX.d0);
        EXPECT_EQ(panels.matX.d1, panels.modelX.d1);
        EXPECT_LT(panels.matX.m1, panels.modelX.m0);
    }
}

// The table holds every model's figures of tf-performance.csv to three decimals, the suggested
// model marked, and the significance test's share and p of significance.csv.
TEST_F(ExampleTransferFigures, TableHoldsTheFiguresOfMerit)
{
    const Records perf = ReadRecords(ReadAll(dir_ + "/out/tf-performance.csv"));
    const Records sig = ReadRecords(ReadAll(dir_ + "/out/significance.csv"));
    const std::string name = ws().climateParamNames[3];
    const std::vector<std::string> texts =
        SvgTexts(ReadAll(dir_ + "/figures/transfer-performance-3.svg"));
    const tf::Results& results = *settings().transfer.results;
    const tf::ParamResult& result = results.params[2];
    ASSERT_EQ(result.param, 3);
    // Pann, in mm: one decimal.
    EXPECT_EQ(fig::TransferTableDecimals(results, result), 1);
    int rows = 0;
    std::string suggested;
    for (const auto& r : perf) {
        if (r[0] != name) continue;
        const std::string model = r[1] + (r[2].empty() ? "" : " " + r[2]);
        if (r[8] == "1") suggested = model;
        if (r[1] == "MAT" && r[3] == "apparent") continue;  // the analogues' apparent figures
        for (int k = 4; k <= 7; ++k) {
            // Errors and biases to three significant digits of the smallest RMSE, R2 to three
            // decimals.
            const int decimals = k == 5 ? 3 : fig::TransferTableDecimals(results, result);
            const std::string v = fig::FixedText(Number(r[static_cast<std::size_t>(k)]), decimals);
            EXPECT_TRUE(std::find(texts.begin(), texts.end(), v) != texts.end())
                << model << " " << r[3] << " column " << k << ": " << v;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 2 * 7 + 1);  // WA twice, WA-PLS 1..5 apparent and validated; MAT validated
    ASSERT_FALSE(suggested.empty());
    EXPECT_TRUE(HasText(texts, suggested + " *"));
    for (const auto& r : sig) {
        if (r[0] != name) continue;
        EXPECT_TRUE(HasText(texts, fig::FixedText(100 * Number(r[3]), 1) + " %")) << r[1];
        EXPECT_TRUE(HasText(texts, fig::FixedText(Number(r[5]), 3))) << r[1];
    }
    for (const char* t : {"Apparent", "Cross-validated, leave-one-out", "Significance", "RMSEP",
                          "19 reconstructions of random variables"})
        EXPECT_TRUE(HasText(texts, t)) << t;
}

// --transfer-model chooses the model drawn; it is checked against the run's models, recorded,
// and refused without figures.
TEST(TransferFigureRunTest, ModelOptionChoosesTheModel)
{
    const std::vector<std::string> base = {"--reference", kExamples + "reference.csv",
                                           "--fossil",    kExamples + "fossil.csv",
                                           "--climate",   kExamples + "climate.csv",
                                           "--transfer",  "wa,wapls",
                                           "--cv",        "loo"};
    const std::string dir = FreshDir("transfer-figures-model");
    CapturingRenderer renderer;
    auto args = base;
    args.insert(args.end(), {"--transfer-model", "wa-classical", "--report-parameters", "Twarm",
                             "--figures", dir + "/f", "--out", dir + "/out"});
    const FigureRunResult run = RunWithFigures(renderer, args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> texts = SvgTexts(ReadAll(dir + "/f/transfer-2.svg"));
    EXPECT_TRUE(HasText(texts, "WA classical, leave-one-out: estimate ± RMSEP"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/f/transfer-1.svg"));
    const Records record = ReadRecords(ReadAll(dir + "/out/run-record.csv"));
    EXPECT_TRUE(std::any_of(record.begin(), record.end(), [](const auto& r) {
        return r.size() == 2 && r[0] == "--transfer-model" && r[1] == "wa-classical";
    }));

    struct Refused {
        std::vector<std::string> extra;
        const char* message;
    };
    const std::string out = FreshDir("transfer-figures-model-refused");
    const Refused refused[] = {
        {{"--transfer-model", "wapls:6", "--figures", out}, "at least 6 components"},
        {{"--transfer-model", "wa-inverse-tolerance", "--figures", out}, "--wa-tolerance"},
        {{"--transfer-model", "wapls:0", "--figures", out}, "wapls:N"},
        {{"--transfer-model", "wa-inverse"}, "needs --report FILE.pdf or --figures DIR"},
    };
    for (const Refused& r : refused) {
        args = base;
        args.insert(args.end(), r.extra.begin(), r.extra.end());
        args.insert(args.end(), {"--out", out});
        const FigureRunResult bad = RunWithFigures(renderer, args);
        EXPECT_EQ(bad.status, 2) << r.message;
        EXPECT_NE(bad.err.find(r.message), std::string::npos) << bad.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << r.message;
    }
}

// SWAP with the RLGH core and bootstrap errors: the model's band is each sample's own error
// sqrt(s1^2 + s2^2) of tf-reconstruction.csv.
TEST(TransferFigureRunTest, BootstrapBandIsTheSampleSpecificError)
{
    const std::string modern = SharedData("swap-rlgh/modern.csv"),
                      fossil = SharedData("swap-rlgh/rlgh.csv"),
                      climate = SharedData("swap-rlgh/ph.csv");
    REQUIRE_SHARED_DATA(modern, fossil, climate);
    const std::string dir = FreshDir("transfer-figures-swap");
    CapturingRenderer renderer;
    const FigureRunResult run = RunWithFigures(
        renderer, {"--reference", modern, "--fossil", fossil, "--climate", climate, "--transfer",
                   "wapls", "--cv", "loo", "--bootstrap", "200", "--transfer-model", "wapls:2",
                   "--figures", dir + "/f", "--out", dir + "/out"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Workspace& ws = renderer.workspace;
    const Probe probe(fig::DefaultFigureSize(fig::FigureKind::Transfer));
    const fig::TransferPanels panels = fig::LayOutTransfer(*probe.canvas, ws, renderer.settings, 1);
    ASSERT_GE(panels.column, 0);
    // Without an error model the analogue band is the analogue method's own cross-validation.
    EXPECT_TRUE(panels.analogue);
    std::vector<double> model, error;
    ModelColumn(ReadRecords(ReadAll(dir + "/out/tf-reconstruction.csv")), "pH", "WA-PLS", "2",
                model, error);
    ASSERT_EQ(model.size(), static_cast<std::size_t>(ws.fossilSampleCount) + 1);
    const auto corners = PathCorners(ReadAll(dir + "/f/transfer-1.svg"));
    EXPECT_GT(CheckBand(corners, panels.modelX, panels.sampleY, model, error), 90);
    // The errors differ from sample to sample: not one RMSEP.
    EXPECT_NE(*std::max_element(error.begin() + 1, error.end()),
              *std::min_element(error.begin() + 1, error.end()));
    const std::vector<std::string> texts = SvgTexts(ReadAll(dir + "/f/transfer-1.svg"));
    EXPECT_TRUE(HasText(texts, "WA-PLS 2, leave-one-out RMSEP"));
    EXPECT_TRUE(HasText(texts, "estimate ± √(s1² + s2²), bootstrap 200"));
    EXPECT_TRUE(HasText(texts, "MAT, leave-one-out: estimate ± RMSEP"));
}

// Narrow figures keep everything inside: the transfer figure at a journal column's 90 mm
// breaks its legend into lines and its title into a smaller size, the table widens itself to
// its columns; nothing is drawn in the last millimetre of a PNG at a coarse 150 dpi.
TEST(TransferFigureRunTest, NarrowFiguresKeepTheirTextInside)
{
    const std::string dir = FreshDir("transfer-figures-narrow");
    CapturingRenderer renderer;
    const FigureRunResult run = RunWithFigures(renderer, {"--reference",
                                                          kExamples + "reference.csv",
                                                          "--fossil",
                                                          kExamples + "fossil.csv",
                                                          "--climate",
                                                          kExamples + "climate.csv",
                                                          "--error-model",
                                                          "--transfer",
                                                          "wa,wapls",
                                                          "--wa-tolerance",
                                                          "--cv",
                                                          "loo",
                                                          "--bootstrap",
                                                          "20",
                                                          "--significance",
                                                          "9",
                                                          "--report-parameters",
                                                          "Pann",
                                                          "--figures",
                                                          dir + "/f",
                                                          "--out",
                                                          dir + "/out"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Workspace& ws = renderer.workspace;
    const FigureSettings& s = renderer.settings;
    struct Case {
        fig::FigureKind kind;
        fig::FigureSize asked;
    };
    for (const Case& k : {Case{fig::FigureKind::Transfer, {90, 120}},
                          Case{fig::FigureKind::TransferTable, {100, 30}}}) {
        const fig::FigureJob job{k.kind, 3};
        const fig::FigureSize size = fig::FigureSizeFor(ws, s, job, k.asked);
        if (k.kind == fig::FigureKind::TransferTable) {
            EXPECT_GT(size.width, 140);
            EXPECT_GT(size.height, 50);
        } else {
            EXPECT_EQ(size.width, k.asked.width);
        }
        const QImage image = fig::RenderFigureImage(ws, s, job, size, 150);
        ASSERT_FALSE(image.isNull());
        const int edge = fig::PixelsOf(1, 150);
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = image.width() - edge; x < image.width(); ++x)
                inked += image.pixelColor(x, y) != QColor(Qt::white);
        EXPECT_EQ(inked, 0) << static_cast<int>(k.kind);
    }
}

}  // namespace
}  // namespace tarvex
