#include "batch/BatchRun.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <ostream>

#include "calib/CalibData.h"
#include "calib/CommonOutput.h"
#include "data/AtomicFile.h"
#include "data/FossilImport.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "diagram/EofSequenceFiles.h"
#include "eof/EofAnalysis.h"
#include "eof/ScoreFiles.h"
#include "mat/ClimateImport.h"
#include "mat/ReconFiles.h"

namespace tarvex {

std::string BatchUsage()
{
    return "Usage: tarvex-batch --reference FILE [--fossil FILE [--zonation]] [--no-percent]\n"
           "                    [--enhance sqrt|log] [--correlation|--covariance]\n"
           "                    [--accept-name-mismatches] [--zonation-transform sqrt|none]\n"
           "                    [--climate FILE [--error-model] [reconstruction options]]\n"
           "                    [--calibrate [calibration options]] --out DIR\n"
           "       tarvex-batch --calibrate --pairs FILE --calibration-range LOW,HIGH\n"
           "                    [calibration options] --out DIR\n"
           "       tarvex-batch --fossil FILE --zonation [--no-percent]\n"
           "                    [--zonation-transform sqrt|none] --out DIR\n"
           "\n"
           "Runs the reference import, pre-treatment, EOF analysis and (with --fossil) the\n"
           "fossil import and projection of the desktop program, and writes\n"
           "DIR/loading.csv, DIR/reference-scores.csv and, with --fossil, DIR/fossil-scores.csv\n"
           "and DIR/eof-sequence.csv (the EOF scores of every fossil sample, as \"Save All EOF\"\n"
           "of the diagram writes them).\n"
           "With --zonation it also zones the fossil sequence and writes DIR/zonation.csv and\n"
           "DIR/zonation-iss.csv. Without --reference only the fossil table is read (with the\n"
           "fossil import's conversion to proportions) and only these two files are written.\n"
           "With --climate it reconstructs the climate by modern analogues: with --fossil it\n"
           "writes DIR/climate-curves.csv (every parameter along the fossil sequence, as \"All\n"
           "Climate Curves\" writes it); with --error-model it reconstructs every reference site\n"
           "from the others and writes DIR/scatter-P.csv for every parameter P = 1, 2, ... (as\n"
           "the scatter diagram's \"Save\" writes it) and DIR/error-model-summary.csv (sites,\n"
           "RMSEP, R2, mean and maximum bias per parameter; an empty field where a figure is\n"
           "undefined).\n"
           "\n"
           "  --reference FILE          modern reference pollen table (sites x taxa); required\n"
           "                            except for a zonation alone or --calibrate --pairs\n"
           "  --fossil FILE             fossil pollen table with the same taxa in the same order\n"
           "                            (default: none, no fossil stage)\n"
           "  --no-percent              analyse the values as they are, without converting each\n"
           "                            site or sample to proportions of its total (default:\n"
           "                            convert to proportions)\n"
           "  --enhance sqrt|log        enhance minor taxa by a square root or a logarithm of\n"
           "                            the proportions (default: no enhancement)\n"
           "  --correlation             EOFs of the correlation matrix between taxa\n"
           "  --covariance              EOFs of the variance/covariance matrix (default)\n"
           "  --accept-name-mismatches  accept fossil taxon names that differ from the\n"
           "                            reference names of the same column (the columns are\n"
           "                            matched by position); without it (the default) a\n"
           "                            mismatch stops the run\n"
           "  --zonation                zone the fossil sequence (needs --fossil; default: off):\n"
           "                            zonation.csv holds the merges of the CONISS window's\n"
           "                            clustering of the fossil proportions (merge, first sample\n"
           "                            of the upper cluster, its size, the level as a single-\n"
           "                            precision distance); zonation-iss.csv the merges of the\n"
           "                            classic incremental-sum-of-squares clustering (first\n"
           "                            samples of both clusters, increment, total dispersion)\n"
           "                            and the number of significant zones by the broken stick\n"
           "  --zonation-transform sqrt|none\n"
           "                            transform of the proportions for the classic clustering:\n"
           "                            square root (default) or none\n"
           "  --climate FILE            modern climate table (reference sites x climate\n"
           "                            parameters, one row per reference site in the same\n"
           "                            order); needs --reference, and --fossil or --error-model\n"
           "                            (default: none, no reconstruction)\n"
           "  --accept-site-names       accept climate site labels that differ from the\n"
           "                            reference site labels of the same row (the rows are\n"
           "                            matched by position); without it (the default) a\n"
           "                            difference stops the run and every one is listed\n"
           "  --error-model             reconstruct every reference site from the others\n"
           "                            (default: off)\n"
           "  --basis taxa|eof          distance between samples and sites on the taxa\n"
           "                            proportions or on the contribution-weighted EOF scores\n"
           "                            (default: taxa)\n"
           "  --axes E1,E2,...          EOFs of the eof basis (default: 1,2, the program's\n"
           "                            selection after the EOF analysis)\n"
           "  --analogue-enhance none|sqrt|log\n"
           "                            enhance minor taxa in the taxa distance and transform\n"
           "                            the threshold alike (default: none; not with --enhance,\n"
           "                            whose data are enhanced already)\n"
           "  --analogues KMIN-KMAX     minimum (0 to 20) and maximum (1 to 20) number of\n"
           "                            analogues, KMIN not above KMAX (default: 0-8)\n"
           "  --threshold T             distance threshold, 0 to 2 in steps of 0.01\n"
           "                            (default: 0.2)\n"
           "  --weighting none|squared|distance\n"
           "                            inverse weighting of the analogues by the squared\n"
           "                            distance, by the distance, or none (default: squared)\n"
           "  --smoothing W             smoothing level of the curve, 1 to 10 (default: 3); it\n"
           "                            changes only the drawn curve, no file of the batch\n"
           "  --calibrate               calibrate and write DIR/calibration.csv in the common\n"
           "                            output format of the calibration window; data set 0 is\n"
           "                            the error model of --calibration-param (needs --climate;\n"
           "                            implies --error-model) or the pairs of --pairs\n"
           "  --calibration-param P     climate parameter of data set 0, from 1 (default: 1)\n"
           "  --pairs FILE              data set 0 from a pair file such as scatter-P.csv, read\n"
           "                            as \"Import Vrec-Vest file\" reads it (default: none)\n"
           "  --model-pairs FILE        data set 1 from a pair file, read as \"Import Vest-Vobs\n"
           "                            file\" reads it (default: the generated model)\n"
           "  --generated-model SD      standard deviation of the generated model in percent of\n"
           "                            the range, 1 to 20 (default: 5)\n"
           "  --calibration-range LOW,HIGH\n"
           "                            calibration range; required with --pairs (default: the\n"
           "                            range the reconstruction window proposes for the\n"
           "                            parameter's fossil reconstruction, or without one that\n"
           "                            rounding of the range of its climate values)\n"
           "  --smoothing-level N       smoothing level in percent of the range, 1 to 20\n"
           "                            (default: 10)\n"
           "  --vertical-threshold N    row normalisation threshold in samples, 0 to 10\n"
           "                            (default: 2)\n"
           "  --horizontal-threshold N  column normalisation threshold in samples, 0 to 10\n"
           "                            (default: 1)\n"
           "  --skip-row-normalisation  leave the rows unnormalised (default: normalised)\n"
           "  --coefficients C1,C2      confidence coefficients in percent, 0 to 100 in steps\n"
           "                            of 0.1 (default: 68.2,95.4)\n"
           "  --out DIR                 folder for the result files (created when missing)\n"
           "  --help                    this text\n"
           "\n"
           "Messages go to standard error; a failed run exits with status 1, bad options\n"
           "with status 2.\n";
}

namespace {

// A whole number written with digits only (no sign, no point).
bool ParseWhole(const std::string& text, int& out)
{
    if (text.empty() || text.size() > 6) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out = std::stoi(text);
    return true;
}

bool ParseAnalogueRange(const std::string& text, AnalogueSettings& settings, std::string& error)
{
    const std::size_t dash = text.find('-');
    int kmin = 0, kmax = 0;
    if (dash == std::string::npos || !ParseWhole(text.substr(0, dash), kmin) ||
        !ParseWhole(text.substr(dash + 1), kmax)) {
        error = "--analogues takes KMIN-KMAX such as 0-8, not '" + text + "'.";
        return false;
    }
    if (kmin > 20 || kmax < 1 || kmax > 20) {
        error = "--analogues: the minimum runs from 0 to 20 and the maximum from 1 to 20, not '" +
                text + "'.";
        return false;
    }
    // The window raises one slider to meet the other; a script that asks for this range has
    // most likely swapped them, and would get a reconstruction it did not ask for.
    if (kmin > kmax) {
        error = "--analogues: the minimum " + std::to_string(kmin) + " is above the maximum " +
                std::to_string(kmax) + ".";
        return false;
    }
    settings.kmin = kmin;
    settings.kmax = kmax;
    return true;
}

bool ParseThreshold(const std::string& text, AnalogueSettings& settings, std::string& error)
{
    double value = 0;
    if (StrictVal(text, value)) {
        // The slider moves in hundredths; 0.29 * 100 is a hair below 29 in binary.
        const double hundredths = RoundHalfEven(value * 100);
        if (std::fabs(value * 100 - hundredths) < 1e-6 && hundredths >= 0 && hundredths <= 200) {
            settings.thresholdSlider = static_cast<int>(hundredths);
            return true;
        }
    }
    error = "--threshold takes a value from 0 to 2 in steps of 0.01, not '" + text + "'.";
    return false;
}

bool ParseAxes(const std::string& text, std::vector<int>& axes, std::string& error)
{
    axes.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        int eof = 0;
        if (!ParseWhole(text.substr(start, comma - start), eof) || eof < 1) {
            error = "--axes takes EOF numbers from 1 up separated by commas, such as 1,2,3, not '" +
                    text + "'.";
            return false;
        }
        if (std::find(axes.begin(), axes.end(), eof) != axes.end()) {
            error = "--axes names EOF " + std::to_string(eof) + " twice.";
            return false;
        }
        axes.push_back(eof);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

// Splits "A,B" into its two texts; false unless there is exactly one comma.
bool SplitPair(const std::string& text, std::string& first, std::string& second)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return false;
    first = text.substr(0, comma);
    second = text.substr(comma + 1);
    return true;
}

// Both ends must be plain numbers here: the window's leading-number reading would take
// "5x" for 5, which a script most likely did not mean.
bool ParseCalibrationRange(const std::string& text, BatchOptions& options, std::string& error)
{
    std::string low, high;
    double lo = 0, hi = 0;
    if (!SplitPair(text, low, high) || !StrictVal(low, lo) || !StrictVal(high, hi) ||
        !std::isfinite(lo) || !std::isfinite(hi)) {
        error = "--calibration-range takes LOW,HIGH such as 0,20, not '" + text + "'.";
        return false;
    }
    if (static_cast<float>(lo) == static_cast<float>(hi) ||
        !std::isfinite(static_cast<float>(lo)) || !std::isfinite(static_cast<float>(hi))) {
        error = "--calibration-range '" + text + "': " + calib::kInvalidRangeMessage;
        return false;
    }
    options.rangeLow = low;
    options.rangeHigh = high;
    return true;
}

// A percentage with at most one decimal from 0 to 100, in tenths as the sliders hold it.
bool ParseTenths(const std::string& text, int& tenths)
{
    double value = 0;
    if (!StrictVal(text, value)) return false;
    const double scaled = RoundHalfEven(value * 10);
    if (std::fabs(value * 10 - scaled) >= 1e-6 || scaled < 0 || scaled > 1000) return false;
    tenths = static_cast<int>(scaled);
    return true;
}

bool ParseCoefficients(const std::string& text, calib::ChainSettings& chain, std::string& error)
{
    std::string first, second;
    int c1 = 0, c2 = 0;
    if (!SplitPair(text, first, second) || !ParseTenths(first, c1) || !ParseTenths(second, c2)) {
        error =
            "--coefficients takes two percentages from 0 to 100 in steps of 0.1 such as "
            "68.2,95.4, not '" +
            text + "'.";
        return false;
    }
    chain.coefficient1 = c1;
    chain.coefficient2 = c2;
    return true;
}

// A whole-number setting between lo and hi.
bool ParseSetting(const std::string& option, const std::string& text, int lo, int hi, int& out,
                  std::string& error)
{
    int v = 0;
    if (!ParseWhole(text, v) || v < lo || v > hi) {
        error = option + " takes a whole number from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", not '" + text + "'.";
        return false;
    }
    out = v;
    return true;
}

}  // namespace

bool ParseBatchOptions(const std::vector<std::string>& args, BatchOptions& options,
                       std::string& error)
{
    // The last reconstruction setting given, to name it when --climate is missing.
    std::string reconstructionOption;
    // The last calibration setting given, to name it when --calibrate is missing.
    std::string calibrationOption;
    bool paramGiven = false, generatedGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= args.size()) {
                error = "Option " + a + " needs a value.";
                return false;
            }
            target = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--reference") {
            if (!value(options.referencePath)) return false;
        } else if (a == "--fossil") {
            if (!value(options.fossilPath)) return false;
        } else if (a == "--out") {
            if (!value(options.outDir)) return false;
        } else if (a == "--no-percent") {
            options.choice.convertToPercent = false;
        } else if (a == "--enhance") {
            std::string mode;
            if (!value(mode)) return false;
            if (mode == "sqrt") {
                options.choice.enhancement = Enhancement::SquareRoot;
            } else if (mode == "log") {
                options.choice.enhancement = Enhancement::Log;
            } else {
                error = "--enhance takes sqrt or log, not '" + mode + "'.";
                return false;
            }
        } else if (a == "--correlation") {
            options.choice.useCorrelation = true;
        } else if (a == "--covariance") {
            options.choice.useCorrelation = false;
        } else if (a == "--accept-name-mismatches") {
            options.acceptNameMismatches = true;
        } else if (a == "--zonation") {
            options.zonation = true;
        } else if (a == "--zonation-transform") {
            std::string mode;
            if (!value(mode)) return false;
            if (mode == "sqrt") {
                options.zonationTransform = ZonationTransform::SquareRoot;
            } else if (mode == "none") {
                options.zonationTransform = ZonationTransform::None;
            } else {
                error = "--zonation-transform takes sqrt or none, not '" + mode + "'.";
                return false;
            }
        } else if (a == "--climate") {
            if (!value(options.climatePath)) return false;
        } else if (a == "--accept-site-names") {
            options.acceptSiteNames = true;
            reconstructionOption = a;
        } else if (a == "--error-model") {
            options.errorModel = true;
            reconstructionOption = a;
        } else if (a == "--basis") {
            std::string basis;
            if (!value(basis)) return false;
            if (basis == "taxa") {
                options.analogue.basis = DistanceBasis::TaxaProportions;
            } else if (basis == "eof") {
                options.analogue.basis = DistanceBasis::EofValues;
            } else {
                error = "--basis takes taxa or eof, not '" + basis + "'.";
                return false;
            }
            reconstructionOption = a;
        } else if (a == "--axes") {
            std::string axes;
            if (!value(axes) || !ParseAxes(axes, options.axes, error)) return false;
            reconstructionOption = a;
        } else if (a == "--analogue-enhance") {
            std::string mode;
            if (!value(mode)) return false;
            if (mode == "none") {
                options.analogue.enhancement = MinorTaxaEnhancement::None;
            } else if (mode == "sqrt") {
                options.analogue.enhancement = MinorTaxaEnhancement::SquareRoot;
            } else if (mode == "log") {
                options.analogue.enhancement = MinorTaxaEnhancement::Log;
            } else {
                error = "--analogue-enhance takes none, sqrt or log, not '" + mode + "'.";
                return false;
            }
            reconstructionOption = a;
        } else if (a == "--analogues") {
            std::string range;
            if (!value(range) || !ParseAnalogueRange(range, options.analogue, error)) return false;
            reconstructionOption = a;
        } else if (a == "--threshold") {
            std::string threshold;
            if (!value(threshold) || !ParseThreshold(threshold, options.analogue, error))
                return false;
            reconstructionOption = a;
        } else if (a == "--weighting") {
            std::string weighting;
            if (!value(weighting)) return false;
            if (weighting == "none") {
                options.analogue.weighting = Weighting::None;
            } else if (weighting == "squared") {
                options.analogue.weighting = Weighting::SquaredDistance;
            } else if (weighting == "distance") {
                options.analogue.weighting = Weighting::Distance;
            } else {
                error = "--weighting takes none, squared or distance, not '" + weighting + "'.";
                return false;
            }
            reconstructionOption = a;
        } else if (a == "--smoothing") {
            std::string level;
            if (!value(level)) return false;
            int w = 0;
            if (!ParseWhole(level, w) || w < 1 || w > 10) {
                error = "--smoothing takes a whole number from 1 to 10, not '" + level + "'.";
                return false;
            }
            options.analogue.smoothing = w;
            reconstructionOption = a;
        } else if (a == "--calibrate") {
            options.calibrate = true;
        } else if (a == "--pairs") {
            if (!value(options.pairsPath)) return false;
            calibrationOption = a;
        } else if (a == "--model-pairs") {
            if (!value(options.modelPairsPath)) return false;
            calibrationOption = a;
        } else if (a == "--calibration-param") {
            std::string text;
            if (!value(text) || !ParseSetting(a, text, 1, 10000, options.calibrationParam, error))
                return false;
            paramGiven = true;
            calibrationOption = a;
        } else if (a == "--generated-model") {
            std::string text;
            if (!value(text) ||
                !ParseSetting(a, text, 1, 20, options.chain.generatedSdPercent, error))
                return false;
            generatedGiven = true;
            calibrationOption = a;
        } else if (a == "--calibration-range") {
            std::string text;
            if (!value(text) || !ParseCalibrationRange(text, options, error)) return false;
            calibrationOption = a;
        } else if (a == "--smoothing-level") {
            std::string text;
            if (!value(text) || !ParseSetting(a, text, 1, 20, options.chain.smoothingLevel, error))
                return false;
            calibrationOption = a;
        } else if (a == "--vertical-threshold") {
            std::string text;
            if (!value(text) ||
                !ParseSetting(a, text, 0, 10, options.chain.verticalThreshold, error))
                return false;
            calibrationOption = a;
        } else if (a == "--horizontal-threshold") {
            std::string text;
            if (!value(text) ||
                !ParseSetting(a, text, 0, 10, options.chain.horizontalThreshold, error))
                return false;
            calibrationOption = a;
        } else if (a == "--skip-row-normalisation") {
            options.chain.skipRowNormalisation = true;
            calibrationOption = a;
        } else if (a == "--coefficients") {
            std::string text;
            if (!value(text) || !ParseCoefficients(text, options.chain, error)) return false;
            calibrationOption = a;
        } else {
            error = "Unknown option '" + a + "'.";
            return false;
        }
    }
    if (options.help) return true;
    if (!options.calibrate && !calibrationOption.empty()) {
        error = calibrationOption + " needs --calibrate.";
        return false;
    }
    if (options.calibrate) {
        if (generatedGiven && !options.modelPairsPath.empty()) {
            error = "--generated-model and --model-pairs both give data set 1; choose one.";
            return false;
        }
        options.chain.generateModel = options.modelPairsPath.empty();
        if (!options.pairsPath.empty()) {
            if (paramGiven) {
                error =
                    "--calibration-param chooses the error model of a parameter; --pairs "
                    "gives data set 0 already.";
                return false;
            }
            if (options.rangeLow.empty()) {
                error =
                    "--pairs needs --calibration-range LOW,HIGH: there is no reconstruction "
                    "to propose a range.";
                return false;
            }
        } else {
            if (options.climatePath.empty()) {
                error =
                    "--calibrate needs --climate FILE (its error model gives data set 0) or "
                    "--pairs FILE.";
                return false;
            }
            // Data set 0 is the error model of this run, so --calibrate brings it along.
            options.errorModel = true;
        }
    }
    if (options.climatePath.empty() && !reconstructionOption.empty()) {
        error = reconstructionOption + " needs --climate FILE.";
        return false;
    }
    if (!options.climatePath.empty()) {
        if (options.referencePath.empty()) {
            error = "--climate needs --reference FILE: the climate table belongs to its sites.";
            return false;
        }
        if (options.fossilPath.empty() && !options.errorModel) {
            error =
                "--climate alone has nothing to do: add --fossil FILE to reconstruct the "
                "fossil sequence, --error-model for the error model, or both.";
            return false;
        }
        if (!options.axes.empty() && options.analogue.basis != DistanceBasis::EofValues) {
            error = "--axes chooses the EOFs of --basis eof; the taxa basis uses none.";
            return false;
        }
        // The window offers the enhancement only while the pre-treatment has not enhanced
        // the data already.
        if (options.analogue.enhancement != MinorTaxaEnhancement::None &&
            options.choice.enhancement != Enhancement::None) {
            error =
                "--analogue-enhance cannot be combined with --enhance: the data are "
                "enhanced already.";
            return false;
        }
    }
    if (options.zonation && options.fossilPath.empty()) {
        error = "--zonation needs --fossil FILE.";
        return false;
    }
    if (options.referencePath.empty() && !options.zonation && options.pairsPath.empty()) {
        error =
            "--reference FILE is required (only --fossil FILE --zonation and --calibrate "
            "--pairs FILE run without it).";
        return false;
    }
    if (options.referencePath.empty() && !options.fossilPath.empty() && !options.zonation) {
        error = "--fossil FILE needs --reference FILE unless it is only zoned (--zonation).";
        return false;
    }
    if (options.outDir.empty()) {
        error = "--out DIR is required.";
        return false;
    }
    return true;
}

bool BatchReferenceStage(Workspace& ws, const BatchOptions& options, std::ostream& err)
{
    const ImportOutcome outcome = ImportReferenceTable(ws, options.referencePath);
    if (outcome.ok) return true;
    err << "Reference data " << options.referencePath << ":\n";
    for (const std::string& m : outcome.messages) err << m << "\n";
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
                      std::ostream& err)
{
    if (options.fossilPath.empty()) return true;
    std::vector<std::string> refused;
    const ImportOutcome outcome =
        ImportFossilTable(ws, options.fossilPath, options.choice, [&](const std::string& question) {
            if (options.acceptNameMismatches) return true;
            refused.push_back(question);
            return false;
        });
    if (!outcome.ok) {
        err << "Fossil data " << options.fossilPath << ":\n";
        for (const std::string& m : outcome.messages) err << m << "\n";
        for (const std::string& q : refused)
            err << q
                << "\nTaxon names differ; run with --accept-name-mismatches to match the "
                   "columns by position anyway.\n";
        return false;
    }
    if (!ProjectFossil(ws, {})) {
        err << "Fossil data " << options.fossilPath << ": the projection failed.\n";
        return false;
    }
    out << "Fossil data: " << ws.fossilSampleCount << " samples, " << ws.taxonNameMatches[0]
        << " accepted name mismatches\n";
    return true;
}

bool BatchFossilOnlyStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                          std::ostream& err)
{
    TableReadResult read = ReadDataTableFile(options.fossilPath);
    std::vector<std::string> messages;
    if (read.status != TableStatus::Ok)
        messages = TableFailureMessages(read.status);
    else if (!HasNonEmptySample(read.table))
        messages.push_back(kFormatErrorMessage);
    if (!messages.empty()) {
        err << "Fossil data " << options.fossilPath << ":\n";
        for (const std::string& m : messages) err << m << "\n";
        return false;
    }
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
                       std::ostream& err)
{
    if (options.climatePath.empty()) return true;
    ClimateReadOutcome read = ReadClimateTable(ws, options.climatePath);
    if (!read.ok) {
        err << "Climate data " << options.climatePath << ":\n";
        for (const std::string& m : read.messages) err << m << "\n";
        return false;
    }
    const std::vector<int>& differing = read.mismatchedSites;
    if (!differing.empty() && !options.acceptSiteNames) {
        // Nobody can answer the window's questions here, so the run lists them (the first
        // few, where a whole column of labels differs) and says how to go on.
        constexpr std::size_t kListed = 10;
        err << "Climate data " << options.climatePath << ":\n";
        for (std::size_t i = 0; i < differing.size() && i < kListed; ++i) {
            const int s = differing[i];
            err << SiteNameQuestion(read.table.siteNames[s], ws.refSiteLabels[s]) << "\n";
        }
        if (differing.size() > kListed)
            err << "... and " << differing.size() - kListed << " more differing site labels.\n";
        err << "Site labels differ from the reference sites; run with --accept-site-names to "
               "match the rows by position anyway.\n";
        return false;
    }
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
    }
    if (options.errorModel) {
        GenerateErrorModel(ws, settings, threshold, {});
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
    if (!options.fossilPath.empty())
        files.emplace_back("climate-curves.csv", AllCurvesFileText(ws, {}, allFinite));
    if (options.errorModel) {
        for (int p = 1; p <= ws.climateParamCount; ++p)
            files.emplace_back("scatter-" + std::to_string(p) + ".csv",
                               ScatterFileText(ws, p, {}, allFinite));
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

bool BatchCalibrationStage(Workspace& ws, const BatchOptions& options,
                           std::vector<std::pair<std::string, std::string>>& files,
                           std::ostream& out, std::ostream& err)
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
        const CalibStatus st = ImportPairFile(options.pairsPath, 0, set0);
        if (!st.ok) return refuse(options.pairsPath, st.error);
        for (const std::string& w : st.warnings) err << options.pairsPath << ": " << w << "\n";
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
        return refuse(options.pairsPath.empty() ? "error model" : options.pairsPath,
                      "Data set 0 holds no complete pair.");
    if (!options.modelPairsPath.empty()) {
        const CalibStatus st = ImportPairFile(options.modelPairsPath, 1, set1);
        if (!st.ok) return refuse(options.modelPairsPath, st.error);
        for (const std::string& w : st.warnings) err << options.modelPairsPath << ": " << w << "\n";
    }

    std::string low = options.rangeLow, high = options.rangeHigh;
    if (low.empty() && !DefaultCalibrationRange(ws, param, low, high))
        return refuse("range", "Parameter " + std::to_string(param) +
                                   " has no value to propose a range from; give "
                                   "--calibration-range LOW,HIGH.");
    AllocateCalibMatrices(ws);
    if (ValidateRange(ws, low, high) != RangeStatus::Valid)
        return refuse("range " + low + "," + high, kInvalidRangeMessage);

    const CalibStatus st = RunChain(ws, set0, set1, options.chain, false);
    if (!st.ok) return refuse("chain", st.error);
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
    if (!options.referencePath.empty()) {
        files = {{"loading.csv", LoadingFileText(ws, dateTime, {}, &allFinite)},
                 {"reference-scores.csv",
                  ReferenceScoreFileText(ws, options.choice, dateTime, {}, &allFinite)}};
        if (!options.fossilPath.empty()) {
            files.emplace_back("fossil-scores.csv",
                               FossilScoreFileText(ws, options.choice, dateTime, {}, &allFinite));
            files.emplace_back("eof-sequence.csv", AllEofSequenceFileText(ws, {}, &allFinite));
        }
    }
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
    if (!WriteFilesAtomically(files, &reason)) {
        err << "The result files could not be written. " << reason << "\n";
        return false;
    }
    for (const auto& file : files) out << "Wrote " << file.first << "\n";
    return true;
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
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
    Workspace ws;
    if (options.referencePath.empty()) {
        if (options.zonation && !BatchFossilOnlyStage(ws, options, out, err)) return 1;
    } else {
        if (!BatchReferenceStage(ws, options, err)) return 1;
        if (!BatchEofStage(ws, options, out)) return 1;
        if (!BatchFossilStage(ws, options, out, err)) return 1;
        if (!BatchClimateStage(ws, options, out, err)) return 1;
        if (!BatchReconstructionStage(ws, options, out, err)) return 1;
    }
    if (options.zonation && !BatchZonationStage(ws, options, out, err)) return 1;
    std::vector<std::pair<std::string, std::string>> calibration;
    if (!BatchCalibrationStage(ws, options, calibration, out, err)) return 1;
    if (!BatchWriteStage(ws, options, DateTimeText(std::time(nullptr)), out, err, calibration))
        return 1;
    return 0;
}

}  // namespace tarvex
