// File > "Save Report..." of the main window, and the settings every window's figures are
// drawn with.
#include "app/frmMainReport.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSlider>
#include <ctime>

#include "app/App.h"
#include "app/frmMain.h"
#include "batch/BatchTransfer.h"
#include "batch/RunRecord.h"
#include "calib/ChartData.h"
#include "calib/frmCalib.h"
#include "data/AtomicFile.h"
#include "data/NumberText.h"
#include "data/Sha256.h"
#include "eof/frmCorrelVar.h"
#include "figures/Report.h"
#include "mat/frmMAT.h"
#include "tf/frmTransfer.h"
#include "ui/Dialogs.h"

namespace tarvex {

namespace {

bool CalibrationDrawn(App& app)
{
    return app.calibLoaded() && app.calib().stages().drawn[8];
}

int CalibratedParam(App& app)
{
    Workspace& ws = app.ws();
    if (!app.calibLoaded()) return ws.calibReturned ? ws.currentClimateParam : 0;
    // Data set 0 came from the error model of the current parameter, not from a file.
    const int p = ws.currentClimateParam;
    const std::string name =
        p >= 1 && p < static_cast<int>(ws.climateParamNames.size()) ? ws.climateParamNames[p] : "";
    return app.calib().pairs(0).xName == name + "(Reconstructed)" ? p : 0;
}

}  // namespace

bool WindowTransfer(App& app, TransferFigureData& figure, TransferOptions& options)
{
    if (!app.transferLoaded() || !app.transfer().ReportTransfer(figure, options)) return false;
    // A run on tables imported since is not the workspace's any more.
    const bool same = tf::InputsOfWorkspace(*figure.inputs, app.ws());
    if (!same) figure = {};
    return same;
}

FigureSettings WindowFigureSettings(App& app, bool chart)
{
    Workspace& ws = app.ws();
    FigureSettings s;
    s.table.smoothing = app.matLoaded() ? app.mat().Slider6->value() : 3;
    s.table.calibratedParam = ws.calibReturned ? ws.currentClimateParam : 0;
    if (app.calibLoaded()) {
        s.table.coefficient1 = app.calib().Slider1->value();
        s.table.coefficient2 = app.calib().Slider2->value();
    }
    s.table.envelopeKnown = ws.envelopeDone;
    s.diagram.transform = ZonationTransform::SquareRoot;
    if (chart && (CalibrationDrawn(app) || (ws.calibReturned && ws.calibMatrices.size() == 9))) {
        calib::PrepareChartData(ws, s.table.coefficient1, s.table.coefficient2);
        s.chart = true;
        s.chartParam = CalibratedParam(app);
    }
    return s;
}

WindowFigure MakeWindowFigure(App& app, fig::FigureJob job)
{
    WindowFigure f;
    f.ws = &app.ws();
    f.settings = WindowFigureSettings(app, job.kind == fig::FigureKind::Chart);
    f.job = job;
    return f;
}

BatchOptions WindowBatchOptions(App& app)
{
    const Workspace& ws = app.ws();
    BatchOptions o;
    o.referencePath = ws.refFileName;
    if (ws.projectionDone) o.fossilPath = ws.fossilFileName;
    if (app.correlVarLoaded()) o.choice = app.correlVar().CurrentChoice();
    o.choice.useCorrelation = ws.useCorrelation;
    o.matchTaxaByName = !ws.fossilColumnOfTaxon.empty();
    o.acceptNameMismatches = !ws.taxonNameMatches.empty() && ws.taxonNameMatches[0] != "0";
    o.envelope = ws.envelopeDone && ws.projectionDone;
    if (ws.climateLoaded) {
        o.climatePath = ws.climateFileName;
        if (app.matLoaded()) o.analogue = app.mat().Settings();
        o.errorModel = ws.refSiteCount > 0 && ws.siteReconValues.rows() >= ws.refSiteCount;
        if (o.analogue.basis == DistanceBasis::EofValues)
            for (int k = 1; k <= ws.selectedAxisCount; ++k) o.axes.push_back(ws.selectedAxes[k]);
        for (std::size_t i = 1; i < ws.climateSiteNames.size() && i < ws.refSiteLabels.size(); ++i)
            if (ws.climateSiteNames[i] != ws.refSiteLabels[i]) o.acceptSiteNames = true;
    }
    if (CalibrationDrawn(app)) {
        frmCalib& c = app.calib();
        o.calibrate = true;
        o.chain.coefficient1 = c.Slider1->value();
        o.chain.coefficient2 = c.Slider2->value();
        o.chain.smoothingLevel = c.Slider3->value();
        o.chain.generatedSdPercent = c.Slider4->value();
        o.chain.verticalThreshold = c.Slider5->value();
        o.chain.horizontalThreshold = c.Slider6->value();
        o.chain.skipRowNormalisation = c.Check5->isChecked();
        o.chain.generateModel = c.Check4->isChecked();
        if (!o.chain.generateModel) o.modelPairsPath = c.pairs(1).source;
        if (CalibratedParam(app) > 0)
            o.calibrationParam = CalibratedParam(app);
        else
            o.pairsPath = c.pairs(0).source;
        o.rangeLow = c.Text1->text().toStdString();
        o.rangeHigh = c.Text2->text().toStdString();
    }
    TransferFigureData figure;
    if (!WindowTransfer(app, figure, o.transfer)) o.transfer = TransferOptions{};
    return o;
}

std::vector<std::string> EquivalentCommandLine(const BatchOptions& o)
{
    const BatchOptions d;
    std::vector<std::string> args;
    auto add = [&](const std::string& option, const std::string& value = {}) {
        args.push_back(option);
        if (!value.empty()) args.push_back(value);
    };
    if (!o.referencePath.empty()) add("--reference", o.referencePath);
    if (!o.fossilPath.empty()) add("--fossil", o.fossilPath);
    if (!o.choice.convertToPercent) add("--no-percent");
    if (o.choice.enhancement == Enhancement::SquareRoot) add("--enhance", "sqrt");
    if (o.choice.enhancement == Enhancement::Log) add("--enhance", "log");
    if (o.choice.useCorrelation) add("--correlation");
    if (o.acceptNameMismatches) add("--accept-name-mismatches");
    if (o.matchTaxaByName) add("--match-taxa-by-name");
    if (!o.climatePath.empty()) {
        add("--climate", o.climatePath);
        if (o.acceptSiteNames) add("--accept-site-names");
        if (o.errorModel && !o.calibrate) add("--error-model");
        const AnalogueSettings& a = o.analogue;
        if (a.basis == DistanceBasis::EofValues) add("--basis", "eof");
        if (!o.axes.empty()) {
            std::string axes;
            for (const int e : o.axes) axes += (axes.empty() ? "" : ",") + std::to_string(e);
            add("--axes", axes);
        }
        if (a.enhancement == MinorTaxaEnhancement::SquareRoot) add("--analogue-enhance", "sqrt");
        if (a.enhancement == MinorTaxaEnhancement::Log) add("--analogue-enhance", "log");
        if (a.kmin != d.analogue.kmin || a.kmax != d.analogue.kmax)
            add("--analogues", std::to_string(a.kmin) + "-" + std::to_string(a.kmax));
        if (a.thresholdSlider != d.analogue.thresholdSlider)
            add("--threshold", FormatNumber(a.thresholdSlider / 100.0));
        if (a.weighting == Weighting::None) add("--weighting", "none");
        if (a.weighting == Weighting::Distance) add("--weighting", "distance");
        if (a.smoothing != d.analogue.smoothing) add("--smoothing", std::to_string(a.smoothing));
    }
    if (o.calibrate) {
        const calib::ChainSettings& c = o.chain;
        add("--calibrate");
        if (!o.pairsPath.empty())
            add("--pairs", o.pairsPath);
        else if (o.calibrationParam != d.calibrationParam)
            add("--calibration-param", std::to_string(o.calibrationParam));
        if (!o.modelPairsPath.empty())
            add("--model-pairs", o.modelPairsPath);
        else if (c.generatedSdPercent != d.chain.generatedSdPercent)
            add("--generated-model", std::to_string(c.generatedSdPercent));
        if (!o.rangeLow.empty()) add("--calibration-range", o.rangeLow + "," + o.rangeHigh);
        if (c.smoothingLevel != d.chain.smoothingLevel)
            add("--smoothing-level", std::to_string(c.smoothingLevel));
        if (c.verticalThreshold != d.chain.verticalThreshold)
            add("--vertical-threshold", std::to_string(c.verticalThreshold));
        if (c.horizontalThreshold != d.chain.horizontalThreshold)
            add("--horizontal-threshold", std::to_string(c.horizontalThreshold));
        if (c.skipRowNormalisation) add("--skip-row-normalisation");
        if (c.coefficient1 != d.chain.coefficient1 || c.coefficient2 != d.chain.coefficient2)
            add("--coefficients",
                FormatNumber(c.coefficient1 / 10.0) + "," + FormatNumber(c.coefficient2 / 10.0));
    }
    for (const std::string& arg : TransferCommandLine(o.transfer)) args.push_back(arg);
    if (o.envelope) add("--envelope");
    if (!o.reportPath.empty()) add("--report", o.reportPath);
    return args;
}

bool WindowRunRecord(App& app, const std::string& reportPath, std::string& text, std::string& error)
{
    BatchOptions options = WindowBatchOptions(app);
    options.reportPath = reportPath;
    const std::vector<std::string> args = EquivalentCommandLine(options);
    RunSettled settled{options.rangeLow, options.rangeHigh};
    // The windows keep no digest of what they imported; the files are read for it now.
    RecordedInputs inputs;
    for (const auto& [option, path] :
         {std::pair<const char*, const std::string*>{"--reference", &options.referencePath},
          {"--fossil", &options.fossilPath},
          {"--climate", &options.climatePath},
          {"--pairs", &options.pairsPath},
          {"--model-pairs", &options.modelPairsPath},
          {"--locations", &options.transfer.locationsPath}}) {
        if (path->empty()) continue;
        RecordedInput input{option, *path, {}};
        std::string reason;
        if (!Sha256OfFile(*path, input.digest.sha256, input.digest.size, reason)) {
            error = "The input file " + *path + " cannot be read again for its SHA-256: " + reason +
                    ".";
            return false;
        }
        inputs.push_back(std::move(input));
    }
    if (!RunRecordText(args, options, app.ws(), settled, std::time(nullptr), inputs, text, error))
        return false;
    // The batch marks the envelope at its default tightness only; another one is written
    // down beside the settings, so the record does not claim what a rerun would not give.
    const Workspace& ws = app.ws();
    if (options.envelope && ws.envelopeTightness != 0.1f) {
        const std::string header = "\"Option\",\"Value\"\r\n";
        const std::size_t at = text.find(header);
        if (at != std::string::npos)
            text.insert(at, "\"Envelope tightness (windows)\"," +
                                FormatSingle(ws.envelopeTightness) + "\r\n");
    }
    return true;
}

void frmMain::SaveReport()
{
    Workspace& ws = app_.ws();
    if (!ws.eofDone) {
        app_.dialogs().Warn(
            this,
            "There is nothing to report yet: import a reference table and run the EOF "
            "analysis first.",
            "Error");
        return;
    }
    const std::optional<std::string> path =
        app_.dialogs().SaveFile(this, "Save report", "PDF document(*.pdf)|*.pdf", "report.pdf");
    if (!path) return;
    std::string record, reason;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    bool written = WindowRunRecord(app_, *path, record, reason);
    if (written) {
        FigureSettings settings = WindowFigureSettings(app_, true);
        TransferOptions transfer;
        WindowTransfer(app_, settings.transfer, transfer);
        const std::string pdf = fig::RenderReport(ws, settings, record, &reason);
        written = !pdf.empty() && WriteFileAtomically(*path, pdf, &reason);
    }
    QGuiApplication::restoreOverrideCursor();
    if (!written)
        app_.dialogs().Warn(this, "The report could not be saved:\n" + *path + "\n\n" + reason,
                            "Error");
}

}  // namespace tarvex
