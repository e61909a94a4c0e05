#include "figures/Figures.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "calib/ChartData.h"
#include "figures/FigureParts.h"
#include "figures/PaintSurface.h"
#include "mat/Analogues.h"
#include "mat/ReconstructionTable.h"

namespace tarvex::fig {

bool FigureAvailable(const Workspace& ws, const FigureSettings& s, const FigureJob& job)
{
    const int n = ws.fossilSampleCount;
    const bool fossil = n >= 1 && ws.fossilProportions.rows() >= n &&
                        static_cast<int>(ws.fossilSampleLabels.size()) > n;
    switch (job.kind) {
        case FigureKind::Diagram:
            return fossil;
        case FigureKind::ScorePlots:
            return ws.eofDone && ws.refScores.rows() >= ws.refSiteCount && job.eofX >= 1 &&
                   job.eofY >= 1 && job.eofX <= ws.taxonLoadings.cols() &&
                   job.eofY <= ws.taxonLoadings.cols();
        case FigureKind::Reconstruction:
            return fossil && !ReconstructionRowsOf(ws, s.table, job.param).empty();
        case FigureKind::ErrorModel:
            return job.param >= 1 && job.param <= ws.climateParamCount &&
                   SummariseErrorModel(ws, job.param).sites > 0;
        case FigureKind::Quality:
            return fossil && static_cast<int>(ws.closestSite.size()) > n;
        case FigureKind::Strativ:
            return fossil && n >= 2 && ws.histBuilt && ws.histLevels >= 1 &&
                   ws.histMatrix[1].cols() >= ws.histLevels && s.table.calibratedParam >= 1;
        case FigureKind::Chart:
            return s.chart && ws.chartProbability.rows() >= calib::kChartLastShown &&
                   ws.gridStep != 0;
        case FigureKind::Transfer:
            return fossil && TransferFigureAvailable(ws, s, job.param);
        case FigureKind::TransferTable:
            return TransferResultOf(ws, s, job.param, false) != nullptr;
    }
    return false;
}

FigureSize DefaultFigureSize(FigureKind kind)
{
    switch (kind) {
        case FigureKind::Diagram:
            return {270, 180};
        case FigureKind::ScorePlots:
            return {180, 105};
        case FigureKind::Reconstruction:
            return {180, 230};
        case FigureKind::ErrorModel:
            return {180, 100};
        case FigureKind::Quality:
            return {150, 200};
        case FigureKind::Strativ:
            return {180, 220};
        case FigureKind::Chart:
            return {180, 150};
        case FigureKind::Transfer:
            return {180, 230};
        case FigureKind::TransferTable:
            return {180, 30};  // as high as its rows need
    }
    return {};
}

FigureSize FigureSizeFor(const Workspace& ws, const FigureSettings& settings, const FigureJob& job,
                         FigureSize wanted)
{
    if (job.kind != FigureKind::Diagram && job.kind != FigureKind::TransferTable) return wanted;
    // Measured on a small image at the resolution vector files are drawn at.
    constexpr double kDpi = 600;
    QImage probe(8, 8, QImage::Format_RGB32);
    QPainter painter(&probe);
    auto measure = [&](FigureSize size, auto&& f) {
        PaintSurface surface(painter, static_cast<int>(std::lround(size.width / 25.4 * kDpi)),
                             static_cast<int>(std::lround(size.height / 25.4 * kDpi)), kDpi);
        const Canvas canvas(surface, size.width, size.height);
        return f(canvas);
    };
    if (job.kind == FigureKind::TransferTable) {
        // As wide as its columns need, and as high as its rows and notes need at that width.
        auto table = [&](const Canvas& c) { return TransferTableSize(c, ws, settings, job.param); };
        FigureSize needed = measure(wanted, table);
        if (needed.width > wanted.width) {
            wanted.width = std::ceil(needed.width);
            needed = measure(wanted, table);
        }
        wanted.height = std::max(wanted.height, needed.height);
        return wanted;
    }
    const DiagramColumnsLayout layout =
        measure(wanted, [&](const Canvas& c) { return LayOutDiagramColumns(c, ws, settings); });
    wanted.width = std::max(wanted.width, std::ceil(layout.neededWidth));
    return wanted;
}

std::string FigureFileStem(const FigureJob& job)
{
    switch (job.kind) {
        case FigureKind::Diagram:
            return "diagram";
        case FigureKind::ScorePlots:
            return "score-plots";
        case FigureKind::Reconstruction:
            return "reconstruction-" + std::to_string(job.param);
        case FigureKind::ErrorModel:
            return "error-model-" + std::to_string(job.param);
        case FigureKind::Quality:
            return "analogue-quality";
        case FigureKind::Strativ:
            return "strativ";
        case FigureKind::Chart:
            return "calibration-chart";
        case FigureKind::Transfer:
            return "transfer-" + std::to_string(job.param);
        case FigureKind::TransferTable:
            return "transfer-performance-" + std::to_string(job.param);
    }
    return "figure";
}

std::string FigureTitle(const Workspace& ws, const FigureSettings& s, const FigureJob& job)
{
    switch (job.kind) {
        case FigureKind::Diagram:
            return "Fossil diagram of " + BaseName(ws.fossilFileName);
        case FigureKind::ScorePlots:
            return "Score plots, EOF-" + std::to_string(job.eofX) + " and EOF-" +
                   std::to_string(job.eofY);
        case FigureKind::Reconstruction:
            return "Reconstruction of " + ParamName(ws, job.param);
        case FigureKind::ErrorModel:
            return "Error model of " + ParamName(ws, job.param) + " (leave-one-out)";
        case FigureKind::Quality:
            return "Analogue quality along " + BaseName(ws.fossilFileName);
        case FigureKind::Strativ:
            return "Probability of " + ParamName(ws, s.table.calibratedParam) +
                   " along the sequence";
        case FigureKind::Chart:
            return s.chartParam > 0 ? "Calibration chart of " + ParamName(ws, s.chartParam)
                                    : std::string("Calibration chart");
        case FigureKind::Transfer:
            return "Reconstruction of " + ParamName(ws, job.param) + " by the analogues and " +
                   TransferModelName(ws, s, job.param);
        case FigureKind::TransferTable:
            return "Transfer functions of " + ParamName(ws, job.param) + ": figures of merit";
    }
    return {};
}

void DrawFigure(Canvas& c, const Workspace& ws, const FigureSettings& s, const FigureJob& job)
{
    c.surface().SetBackColor(kWhite);
    c.Rect(0, 0, c.width(), c.height(), kWhite);
    if (!FigureAvailable(ws, s, job)) {
        DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, job));
        c.Text(kMargin, kMargin + 10, "Nothing to show: the results this figure draws are missing.",
               c.style().tickPt, 0, 0);
        return;
    }
    switch (job.kind) {
        case FigureKind::Diagram:
            DrawDiagramFigure(c, ws, s);
            break;
        case FigureKind::ScorePlots:
            DrawScorePlotFigure(c, ws, s, job.eofX, job.eofY);
            break;
        case FigureKind::Reconstruction:
            DrawReconstructionFigure(c, ws, s, job.param);
            break;
        case FigureKind::ErrorModel:
            DrawErrorModelFigure(c, ws, s, job.param);
            break;
        case FigureKind::Quality:
            DrawQualityFigure(c, ws, s);
            break;
        case FigureKind::Strativ:
            DrawStrativFigure(c, ws, s);
            break;
        case FigureKind::Chart:
            DrawChartFigure(c, ws, s);
            break;
        case FigureKind::Transfer:
            DrawTransferFigure(c, ws, s, job.param);
            break;
        case FigureKind::TransferTable:
            DrawTransferTableFigure(c, ws, s, job.param);
            break;
    }
}

std::vector<FigureJob> ReportFigures(const Workspace& ws, const FigureSettings& s)
{
    std::vector<FigureJob> jobs;
    auto add = [&](FigureJob job) {
        if (FigureAvailable(ws, s, job)) jobs.push_back(job);
    };
    add({FigureKind::Diagram});
    const bool two = ws.selectedAxisCount >= 2 && ws.selectedAxes.size() > 2;
    add({FigureKind::ScorePlots, 0, two ? ws.selectedAxes[1] : 1, two ? ws.selectedAxes[2] : 2});
    const std::vector<int> params = FigureParameters(ws, s);
    for (const int p : params) add({FigureKind::Reconstruction, p});
    // The transfer functions beside the analogues, then their figures of merit.
    for (const int p : params) add({FigureKind::Transfer, p});
    for (const int p : params) add({FigureKind::TransferTable, p});
    for (const int p : params) add({FigureKind::ErrorModel, p});
    add({FigureKind::Quality});
    add({FigureKind::Strativ});
    add({FigureKind::Chart});
    return jobs;
}

}  // namespace tarvex::fig
