#include "batch/BatchRun.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "app/ParallelFor.h"
#include "batch/BatchTransfer.h"
#include "batch/RunRecord.h"
#include "calib/CalibData.h"
#include "calib/CommonOutput.h"
#include "data/AtomicFile.h"
#include "data/FossilImport.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"
#include "data/ReferenceImport.h"
#include "data/TableChecks.h"
#include "data/TableReader.h"
#include "data/ValueRange.h"
#include "diagram/EofSequenceFiles.h"
#include "eof/EofAnalysis.h"
#include "eof/ScoreFiles.h"
#include "mat/AnalogueQuality.h"
#include "mat/ClimateImport.h"
#include "mat/Histogram.h"
#include "mat/MatrixFiles.h"
#include "mat/ReconFiles.h"
#include "mat/ReconstructionTable.h"

namespace tarvex {

// Every table and pair file is checked.
bool ReportChecks(const std::vector<std::string>& checks, const BatchOptions& options,
                  std::ostream& err)
{
    if (checks.empty()) return true;
    for (const std::string& line : checks) err << line << "\n";
    if (!options.strict) return true;
    err << "Stopped by --strict: the data checks found the above.\n";
    return false;
}

void PrintFailure(const std::string& what, const std::string& path,
                  const std::vector<std::string>& messages, const std::string& reason,
                  std::ostream& err)
{
    err << what << " " << path << ":\n";
    for (const std::string& m : messages) err << m << "\n";
    if (!reason.empty()) err << reason << "\n";
}

void PrintSiteNameQuestions(const std::string& path, const std::vector<int>& differing,
                            const std::vector<std::string>& names,
                            const std::vector<std::string>& labels, std::ostream& err)
{
    // Nobody can answer the window's questions here, so the run lists them (the first few,
    // where a whole column of labels differs) and says how to go on.
    constexpr std::size_t kListed = 10;
    err << "Climate data " << path << ":\n";
    for (std::size_t i = 0; i < differing.size() && i < kListed; ++i) {
        const int s = differing[i];
        err << SiteNameQuestion(names[s], labels[s]) << "\n";
    }
    if (differing.size() > kListed)
        err << "... and " << differing.size() - kListed << " more differing site labels.\n";
    err << "Site labels differ from the reference sites; run with --accept-site-names to "
           "match the rows by position anyway.\n";
}

void RecordInput(RecordedInputs* inputs, const char* option, const std::string& path,
                 InputDigest digest)
{
    if (inputs) inputs->push_back({option, path, std::move(digest)});
}

bool BatchReferenceStage(Workspace& ws, const BatchOptions& options, std::ostream& err,
                         RecordedInputs* inputs)
{
    ImportOutcome outcome = ImportReferenceTable(ws, options.referencePath);
    if (outcome.ok) {
        RecordInput(inputs, "--reference", options.referencePath, std::move(outcome.input));
        return ReportChecks(outcome.checks, options, err);
    }
    PrintFailure("Reference data", options.referencePath, outcome.messages, outcome.reason, err);
    return false;
}

bool BatchEofStage(Workspace& ws, const BatchOptions& options, std::ostream& out)
{
    PretreatReference(ws, options.choice);
    ComputeEofResults(ws, {});
    out << "Reference data: " << ws.refSiteCount << " sites x " << ws.refTaxonCount << " taxa\n";
    for (int k = 1; k <= std::min<int>(ws.taxonCount, 3); ++k)
        out << "EOF " << k << ": " << ws.eofContribution[k] << " % (cumulative "
            << ws.eofCumulative[k] << " %)\n";
    return true;
}

bool BatchFossilStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                      std::ostream& err, RecordedInputs* inputs)
{
    if (options.fossilPath.empty()) return true;
    std::vector<std::string> refused;
    bool byNameOffered = false;
    ImportOutcome outcome = ImportFossilTable(
        ws, options.fossilPath, options.choice,
        [&](const std::string& question) {
            if (options.acceptNameMismatches) return true;
            refused.push_back(question);
            return false;
        },
        [&](const std::string&) {
            byNameOffered = true;
            return options.matchTaxaByName;
        });
    if (!outcome.ok) {
        PrintFailure("Fossil data", options.fossilPath, outcome.messages, outcome.reason, err);
        if (byNameOffered && !options.matchTaxaByName)
            err << "The fossil table has the reference taxa in another order; run with "
                   "--match-taxa-by-name to match them by name.\n";
        for (const std::string& q : refused)
            err << q
                << "\nTaxon names differ; run with --accept-name-mismatches to match the "
                   "columns by position anyway.\n";
        return false;
    }
    RecordInput(inputs, "--fossil", options.fossilPath, std::move(outcome.input));
    if (!ReportChecks(outcome.checks, options, err)) return false;
    if (!ProjectFossil(ws, {})) {
        err << "Fossil data " << options.fossilPath << ": the projection failed.\n";
        return false;
    }
    out << "Fossil data: " << ws.fossilSampleCount << " samples, " << ws.taxonNameMatches[0]
        << " accepted name mismatches"
        << (ws.fossilColumnOfTaxon.empty() ? "" : ", taxa matched by name") << "\n";
    return true;
}

bool BatchFossilOnlyStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                          std::ostream& err, RecordedInputs* inputs)
{
    TableReadResult read = ReadDataTableFile(options.fossilPath);
    std::vector<std::string> messages;
    if (read.status != TableStatus::Ok)
        messages = TableFailureMessages(read.status);
    else if (const std::string tooLarge = ValueTooLargeMessage(read.table); !tooLarge.empty())
        messages.push_back(tooLarge);
    else if (!HasNonEmptySample(read.table))
        messages.push_back(kFormatErrorMessage);
    if (!messages.empty()) {
        PrintFailure("Fossil data", options.fossilPath, messages, read.reason, err);
        return false;
    }
    if (!ReportChecks(TableCheckLines(read.table, CheckTable(read.table, false), "fossil",
                                      options.fossilPath),
                      options, err))
        return false;
    RecordInput(inputs, "--fossil", options.fossilPath, std::move(read.input));
    CommitFossilTable(ws, std::move(read.table), options.fossilPath, {}, options.choice);
    out << "Fossil data: " << ws.fossilSampleCount << " samples x " << ws.fossilTaxonCount
        << " taxa\n";
    return true;
}

namespace {

std::vector<float> SampleNumbers(int samples)
{
    std::vector<float> positions(static_cast<std::size_t>(std::max(samples, 0)) + 1, 0.0f);
    for (int i = 1; i <= samples; ++i) positions[i] = static_cast<float>(i);
    return positions;
}

}  // namespace

bool BatchZonationStage(const Workspace& ws, const BatchOptions& options, std::ostream& out,
                        std::ostream& err)
{
    const int n = ws.fossilSampleCount;
    const int t = ws.fossilTaxonCount;
    const std::string problem =
        ZonationDataProblem(ws.fossilProportions, n, t, options.zonationTransform);
    const int merges = std::max(n - 1, 0);
    std::string failure;
    if (!problem.empty()) {
        failure = problem;
    } else {
        // Finite values can still be too large for the single-precision distances of the
        // program's clustering, or for the squares of the classic one; both then stop early.
        const ConissState state = RunConiss(ws.fossilProportions, n, t, SampleNumbers(n));
        const IssZonation classic =
            ClassicConiss(ws.fossilProportions, n, t, options.zonationTransform, SampleNumbers(n));
        if (static_cast<int>(state.merges.size()) - 1 != merges ||
            static_cast<int>(classic.merges.size()) - 1 != merges)
            failure =
                "the distances between the samples exceed the range of the numbers the "
                "clustering computes with; convert the values to proportions.";
        else
            out << "Zonation: " << merges << " merges, " << classic.significantZones
                << (classic.significantZones == 1 ? " significant zone" : " significant zones")
                << " (broken stick, "
                << (options.zonationTransform == ZonationTransform::SquareRoot ? "square roots"
                                                                               : "untransformed")
                << ")\n";
    }
    if (failure.empty()) return true;
    err << "Zonation of " << options.fossilPath << ":\n" << failure << "\n";
    return false;
}

std::vector<std::pair<std::string, std::string>> ZonationFiles(const Workspace& ws,
                                                               const BatchOptions& options)
{
    const int n = ws.fossilSampleCount;
    const int t = ws.fossilTaxonCount;
    const std::vector<float> positions = SampleNumbers(n);
    return {{"zonation.csv", ZonationFileText(RunConiss(ws.fossilProportions, n, t, positions))},
            {"zonation-iss.csv",
             ZonationIssFileText(
                 ClassicConiss(ws.fossilProportions, n, t, options.zonationTransform, positions))}};
}

bool BatchClimateStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                       std::ostream& err, RecordedInputs* inputs)
{
    if (options.climatePath.empty()) return true;
    ClimateReadOutcome read = ReadClimateTable(ws, options.climatePath);
    if (!read.ok) {
        PrintFailure("Climate data", options.climatePath, read.messages, read.reason, err);
        return false;
    }
    if (!ReportChecks(read.checks, options, err)) return false;
    const std::vector<int>& differing = read.mismatchedSites;
    if (!differing.empty() && !options.acceptSiteNames) {
        PrintSiteNameQuestions(options.climatePath, differing, read.table.siteNames,
                               ws.refSiteLabels, err);
        return false;
    }
    RecordInput(inputs, "--climate", options.climatePath, std::move(read.input));
    CommitClimateTable(ws, std::move(read.table));
    out << "Climate data: " << ws.refSiteCount << " sites x " << ws.climateParamCount
        << " parameters, " << differing.size() << " accepted site-label differences\n";
    return true;
}

namespace {

std::string FigureText(double v)
{
    return std::isnan(v) ? "undefined" : FormatNumber(v);
}

// The EOFs the distance is computed on: those given, or the selection the EOF analysis
// leaves. Every one must be an EOF of the analysis.
bool SelectAxes(Workspace& ws, const std::vector<int>& axes, std::ostream& err)
{
    std::vector<int> chosen = axes;
    if (chosen.empty())
        for (int k = 1; k <= ws.selectedAxisCount; ++k) chosen.push_back(ws.selectedAxes[k]);
    for (int eof : chosen)
        if (eof < 1 || eof > ws.taxonCount) {
            err << "EOF " << eof << " cannot be used for --basis eof: the analysis has "
                << ws.taxonCount << " EOFs.\n";
            return false;
        }
    ws.ResizeAxisLists(ws.taxonCount);
    for (std::size_t k = 0; k < chosen.size(); ++k)
        ws.selectedAxes[k + 1] = static_cast<int16_t>(chosen[k]);
    ws.selectedAxisCount = static_cast<int16_t>(chosen.size());
    return true;
}

}  // namespace

bool BatchReconstructionStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                              std::ostream& err)
{
    if (options.climatePath.empty()) return true;
    const AnalogueSettings& settings = options.analogue;
    if (settings.basis == DistanceBasis::EofValues && !SelectAxes(ws, options.axes, err))
        return false;
    const double threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);

    if (!options.fossilPath.empty()) {
        ReconstructClimate(ws, settings, threshold, {});
        const int samples = UsableRows(ws.reconValues, ws.fossilSampleCount);
        int without = 0;
        for (int i = 1; i <= samples; ++i)
            if (ws.reconValues(i, 0) == 0) ++without;
        out << "Reconstruction: " << ws.fossilSampleCount << " samples, " << without
            << " without analogues (threshold " << FormatNumber(threshold) << ", analogues "
            << settings.kmin << "-" << settings.kmax << ")\n";
        // Before the error model, whose run takes over the distance matrix.
        AssessAnalogueQuality(ws, ModernClosestDistances(ws, settings));
        int beyond = 0;
        for (int i = 1; i <= ws.fossilSampleCount; ++i)
            if (BeyondCutoff(ws, i, 1)) ++beyond;
        out << "Analogue quality: " << beyond << " of " << ws.fossilSampleCount
            << " samples farther from their closest site than the 5 % cut-off "
            << FigureText(ws.analogueCutoffs[1]) << "\n";
    }
    if (options.errorModel) {
        // Nothing after this needs the distances of every site to every other.
        GenerateErrorModel(ws, settings, threshold, {}, false);
        for (int p = 1; p <= ws.climateParamCount; ++p) {
            const ErrorModelSummary summary = SummariseErrorModel(ws, p);
            out << "Error model, " << ws.climateParamNames[p] << ": " << summary.sites
                << " sites, RMSEP " << FigureText(summary.rmsep) << ", R2 "
                << FigureText(summary.r2) << "\n";
        }
    }
    return true;
}

std::vector<std::pair<std::string, std::string>> ReconstructionFiles(const Workspace& ws,
                                                                     const BatchOptions& options,
                                                                     bool* allFinite)
{
    std::vector<std::pair<std::string, std::string>> files;
    if (options.climatePath.empty()) return files;
    if (!options.fossilPath.empty()) {
        files.emplace_back("climate-curves.csv", AllCurvesFileText(ws, {}, allFinite));
        files.emplace_back("analogue-quality.csv", AnalogueQualityFileText(ws, allFinite));
        files.emplace_back(kReconstructionTableFileName,
                           ReconstructionTableText(ws, TableSettingsOf(ws, options), allFinite));
    }
    if (options.errorModel) {
        // One file a parameter, written side by side.
        const int params = std::max<int>(ws.climateParamCount, 0);
        std::vector<std::string> scatter(static_cast<std::size_t>(params));
        std::vector<char> finite(static_cast<std::size_t>(params), 1);
        ParallelFor(params, ThreadsFor(100.0 * params * std::max<int>(ws.refSiteCount, 0)),
                    [&](int i) {
                        bool ok = true;
                        scatter[static_cast<std::size_t>(i)] = ScatterFileText(ws, i + 1, {}, &ok);
                        finite[static_cast<std::size_t>(i)] = ok;
                    });
        for (int p = 1; p <= params; ++p) {
            files.emplace_back("scatter-" + std::to_string(p) + ".csv",
                               std::move(scatter[static_cast<std::size_t>(p - 1)]));
            if (allFinite && !finite[static_cast<std::size_t>(p - 1)]) *allFinite = false;
        }
        files.emplace_back("error-model-summary.csv", ErrorModelSummaryFileText(ws, allFinite));
    }
    return files;
}

bool DefaultCalibrationRange(const Workspace& ws, int param, std::string& low, std::string& high)
{
    float lo = 0, hi = 0;
    bool any = false;
    if (ws.fossilSampleCount > 0) {
        const ReconRange range =
            ReconstructionRange(ws.reconValues, ws.fossilSampleCount, ws.climateParamCount);
        if (static_cast<int>(range.hasValue.size()) > param && range.hasValue[param]) {
            lo = range.min[param];
            hi = range.max[param];
            any = true;
        }
    }
    if (!any) {
        // Without a fossil reconstruction the window has no range to hand over; the climate
        // values the error model is compared with stand in for it.
        const int sites = UsableRows(ws.climateValues, ws.refSiteCount);
        for (int s = 1; s <= sites && param <= ws.climateValues.cols(); ++s) {
            const double v = ws.climateValues(s, param);
            if (v == -9999 || !std::isfinite(static_cast<float>(v))) continue;
            const float f = static_cast<float>(v);
            lo = any ? std::min(lo, f) : f;
            hi = any ? std::max(hi, f) : f;
            any = true;
        }
    }
    if (!any) return false;
    low = FormatNumber(RoundRangeDown(lo, hi));
    high = FormatNumber(RoundRangeUp(hi, lo));
    return true;
}

namespace {

// The reconstruction window's histogram panel as it opens, in pixels: 137 wide (panel size
// 10 of 205.5 twips) and 549 high, which gives 801 levels.
constexpr double kHistogramPanelWidth = 137;
constexpr double kHistogramPanelHeight = 549;

// The calibration returned to the reconstruction and the histogram built along the fossil
// curve of the calibrated parameter, as "Return" and "Strativ" do, and both matrix files.
bool MatrixFiles(Workspace& ws, const BatchOptions& options, const std::string& dateTime,
                 std::vector<std::pair<std::string, std::string>>& files, std::ostream& out,
                 std::ostream& err)
{
    const int param = options.calibrationParam;
    calib::ReturnData(ws);
    std::string reason;
    if (param > ws.climateParamCount ||
        !BuildHistogram(ws, param, options.analogue.smoothing, kHistogramPanelWidth,
                        kHistogramPanelHeight, &reason)) {
        if (reason.empty())
            reason =
                "The climate table has " + std::to_string(ws.climateParamCount) + " parameters.";
        err << "Strativ histogram of parameter " << param << ":\n" << reason << "\n";
        return false;
    }
    MatrixFileSettings settings;
    settings.analogue = options.analogue;
    settings.xSmoothing = options.chain.smoothingLevel;
    settings.ySmoothing = options.chain.generatedSdPercent;
    settings.param = param;
    files.emplace_back("meridan-matrix.csv", MeridanMatrixFileText(ws, settings, dateTime));
    files.emplace_back("strativ-matrix.csv", StrativMatrixFileText(ws, settings, dateTime));
    out << "Strativ histogram: " << ws.histLevels << " levels along the curve of "
        << ws.climateParamNames[param] << " (smoothing level " << options.analogue.smoothing
        << ")\n";
    return true;
}

}  // namespace

bool BatchCalibrationStage(Workspace& ws, const BatchOptions& options, const std::string& dateTime,
                           std::vector<std::pair<std::string, std::string>>& files,
                           std::ostream& out, std::ostream& err,
                           std::pair<std::string, std::string>* rangeUsed, RecordedInputs* inputs)
{
    if (!options.calibrate) return true;
    using namespace calib;
    const int param = options.calibrationParam;
    PairSet set0, set1;
    auto refuse = [&err](const std::string& what, const std::string& message) {
        err << "Calibration, " << what << ":\n" << message << "\n";
        return false;
    };
    if (!options.pairsPath.empty()) {
        InputDigest digest;
        const CalibStatus st = ImportPairFile(options.pairsPath, 0, set0, &digest);
        if (!st.ok) return refuse("--pairs " + options.pairsPath, st.error);
        RecordInput(inputs, "--pairs", options.pairsPath, std::move(digest));
        for (const std::string& w : st.warnings) err << options.pairsPath << ": " << w << "\n";
        if (!ReportChecks(st.checks, options, err)) return false;
    } else {
        if (param > ws.climateParamCount)
            return refuse(
                "--calibration-param " + std::to_string(param),
                "The climate table has " + std::to_string(ws.climateParamCount) + " parameters.");
        // The window takes its data set 0 from the current parameter while it is open.
        ws.calibWindowOpen = true;
        ws.currentClimateParam = static_cast<int16_t>(param);
        const CalibStatus st = TransferData(ws, set0);
        if (!st.ok) return refuse("error model", st.error);
        for (const std::string& w : st.warnings) err << w << "\n";
    }
    if (set0.pairCount == 0)
        return refuse(options.pairsPath.empty() ? "error model" : "--pairs " + options.pairsPath,
                      "Data set 0 holds no complete pair.");
    if (!options.modelPairsPath.empty()) {
        InputDigest digest;
        const CalibStatus st = ImportPairFile(options.modelPairsPath, 1, set1, &digest);
        if (!st.ok) return refuse("--model-pairs " + options.modelPairsPath, st.error);
        RecordInput(inputs, "--model-pairs", options.modelPairsPath, std::move(digest));
        for (const std::string& w : st.warnings) err << options.modelPairsPath << ": " << w << "\n";
        if (!ReportChecks(st.checks, options, err)) return false;
        if (set1.pairCount < 2)
            return refuse("--model-pairs " + options.modelPairsPath,
                          std::string("Data set 1 holds ") +
                              (set1.pairCount == 0 ? "no complete pair" : "one complete pair") +
                              "; the error model needs the fitting line of the Vest-Vobs data, "
                              "which takes two pairs at least.");
    }

    std::string low = options.rangeLow, high = options.rangeHigh;
    if (low.empty() && !DefaultCalibrationRange(ws, param, low, high))
        return refuse("range", "Parameter " + std::to_string(param) +
                                   " has no value to propose a range from; give "
                                   "--calibration-range LOW,HIGH.");
    AllocateCalibMatrices(ws);
    if (ValidateRange(ws, low, high) != RangeStatus::Valid)
        return refuse("range " + low + "," + high, kInvalidRangeMessage);
    if (rangeUsed) *rangeUsed = {low, high};

    const CalibStatus st = RunChain(ws, set0, set1, options.chain, false);
    // A chain that fails over data set 1 must say which file it came from.
    if (!st.ok)
        return refuse(options.modelPairsPath.empty()
                          ? "chain"
                          : "chain, data set 1 from --model-pairs " + options.modelPairsPath,
                      st.error);
    FillMatrixOut(ws);

    CommonOutputInfo info;
    info.rangeLow = low;
    info.rangeHigh = high;
    const PairSet* sets[2] = {&set0, &set1};
    for (int ds = 0; ds < 2; ++ds) {
        info.source[ds] = sets[ds]->source;
        info.xName[ds] = sets[ds]->xName;
        info.yName[ds] = sets[ds]->yName;
    }
    info.generateModel = options.chain.generateModel;
    info.generatedSdPercent = options.chain.generatedSdPercent;
    info.verticalThreshold = options.chain.verticalThreshold;
    info.horizontalThreshold = options.chain.horizontalThreshold;
    files.emplace_back("calibration.csv",
                       CommonOutputText(ws, info, static_cast<float>(options.chain.smoothingLevel),
                                        static_cast<float>(options.chain.coefficient1) / 10.0f,
                                        static_cast<float>(options.chain.coefficient2) / 10.0f));
    out << "Calibration: " << set0.pairCount << " pairs, range " << low << " to " << high << ", "
        << (options.chain.generateModel
                ? "generated model " + std::to_string(options.chain.generatedSdPercent) +
                      " % of range"
                : std::to_string(set1.pairCount) + " model pairs")
        << "\n";
    // The matrices need the fossil curve the calibration is returned to.
    if (!options.fossilPath.empty() && !options.climatePath.empty())
        return MatrixFiles(ws, options, dateTime, files, out, err);
    return true;
}

bool BatchWriteStage(const Workspace& ws, const BatchOptions& options, const std::string& dateTime,
                     std::ostream& out, std::ostream& err,
                     const std::vector<std::pair<std::string, std::string>>& extraFiles)
{
    const std::filesystem::path dir(options.outDir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        err << "The folder " << options.outDir << " could not be created: " << ec.message() << "\n";
        return false;
    }

    // Every result file of the run as (name, text). They are put in place together, so a
    // failure never leaves new files beside old ones of an earlier run; allFinite collects
    // the check of every file, and one number that is not finite refuses them all.
    bool allFinite = true;
    std::vector<std::pair<std::string, std::string>> files;
    if (!options.referencePath.empty() && !options.transferOnly) {
        // Put in place, not copied: the score file alone can be many megabytes.
        files.emplace_back("loading.csv", LoadingFileText(ws, dateTime, {}, &allFinite));
        files.emplace_back("reference-scores.csv",
                           ReferenceScoreFileText(ws, options.choice, dateTime, {}, &allFinite));
        if (!options.fossilPath.empty()) {
            files.emplace_back("fossil-scores.csv",
                               FossilScoreFileText(ws, options.choice, dateTime, {}, &allFinite));
            files.emplace_back("eof-sequence.csv", AllEofSequenceFileText(ws, {}, &allFinite));
        }
    }
    if (!options.transferOnly)
        for (auto& file : ReconstructionFiles(ws, options, &allFinite))
            files.push_back(std::move(file));
    if (options.zonation)
        for (auto& file : ZonationFiles(ws, options)) files.push_back(std::move(file));
    for (const auto& file : extraFiles) files.push_back(file);
    for (const auto& [name, text] : files)
        if (text.empty()) {
            err << "Nothing to write into " << name << ": its results are missing.\n";
            return false;
        }
    if (!allFinite) {
        err << kNonFiniteResultsMessage << " Folder: " << options.outDir << "\n";
        return false;
    }

    for (auto& file : files) file.first = (dir / file.first).string();
    std::string reason;
    // Runs into the same folder put their sets in place one after the other; a run that has
    // to wait says so.
    FileSetWait wait;
    wait.notice = [&err](const std::string& line) { err << line << std::endl; };
    if (!WriteFilesAtomically(files, &reason, wait)) {
        err << "The result files could not be written. " << reason << "\n";
        return false;
    }
    for (const auto& file : files) out << "Wrote " << file.first << "\n";
    return true;
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return RunBatch(args, out, err, nullptr);
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             FigureRenderer* figures)
{
    BatchOptions options;
    std::string error;
    if (!ParseBatchOptions(args, options, error)) {
        err << error << "\n\n" << BatchUsage();
        return 2;
    }
    if (options.help) {
        out << BatchUsage();
        return 0;
    }
    if (!figures && (!options.reportPath.empty() || !options.figuresDir.empty())) {
        err << "This build of tarvex-batch has no figure library: --report and --figures are "
               "not available.\n";
        return 2;
    }
    Workspace ws;
    RecordedInputs inputs;
    if (options.referencePath.empty()) {
        if (options.zonation && !BatchFossilOnlyStage(ws, options, out, err, &inputs)) return 1;
    } else {
        if (options.transfer.On()) {
            // Read once with the transfer functions' limit: a modern set larger than the
            // workspace holds still has its transfer functions.
            TableReadResult large;
            if (!TransferReferenceStage(ws, options, err, &inputs, large)) return 1;
            if (large.status == TableStatus::Ok)
                return RunTransferOnly(args, options, std::move(large), inputs, out, err);
        } else if (!BatchReferenceStage(ws, options, err, &inputs)) {
            return 1;
        }
        if (!BatchEofStage(ws, options, out)) return 1;
        if (!BatchFossilStage(ws, options, out, err, &inputs)) return 1;
        if (!BatchEnvelopeStage(ws, options, out)) return 1;
        if (!BatchClimateStage(ws, options, out, err, &inputs)) return 1;
        if (!BatchReconstructionStage(ws, options, out, err)) return 1;
    }
    if (options.zonation && !BatchZonationStage(ws, options, out, err)) return 1;
    std::vector<int> reportParams;
    std::string paramError;
    if (!ResolveReportParameters(ws, options, reportParams, paramError)) {
        err << paramError << "\n";
        return 1;
    }
    const std::time_t now = std::time(nullptr);
    const std::string dateTime = DateTimeText(now);
    std::vector<std::pair<std::string, std::string>> extraFiles;
    TransferFigureData transfer;
    if (!options.referencePath.empty() &&
        !BatchTransferStage(ws, options, out, err, extraFiles, &inputs, &transfer))
        return 1;
    std::pair<std::string, std::string> range;
    if (!BatchCalibrationStage(ws, options, dateTime, extraFiles, out, err, &range, &inputs))
        return 1;
    // The record goes in place together with the results, so a folder never holds the record
    // of one run beside the results of another.
    std::string record, recordError;
    if (!RunRecordText(args, options, ws, {range.first, range.second}, now, inputs, record,
                       recordError)) {
        err << recordError << "\n";
        return 1;
    }
    if (!BatchFigureStage(ws, options, reportParams, record, figures, extraFiles, out, err,
                          transfer))
        return 1;
    extraFiles.emplace_back(kRunRecordFileName, std::move(record));
    if (!BatchWriteStage(ws, options, dateTime, out, err, extraFiles)) return 1;
    return 0;
}

}  // namespace tarvex
