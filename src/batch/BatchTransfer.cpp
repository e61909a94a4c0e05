// The transfer functions in tarvex-batch: their options, their stage on the workspace, and
// the run of modern sets too large for the workspace.
#include "batch/BatchTransfer.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <memory>
#include <ostream>

#include "batch/RunRecord.h"
#include "data/FossilImport.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"
#include "data/ReferenceImport.h"
#include "data/TableChecks.h"
#include "data/TableReader.h"
#include "data/ValueRange.h"
#include "eof/Pretreatment.h"
#include "mat/ClimateImport.h"
#include "tf/ComponentTest.h"
#include "tf/LocationImport.h"
#include "tf/TransferFiles.h"

namespace tarvex {

// The usage text names the number of randomisations of the components' t-test.
static_assert(tf::kComponentRandomisations == 999);

std::string TransferUsage()
{
    return "  --transfer wa,wapls       transfer functions beside the analogues (needs\n"
           "                            --climate): weighted averaging (wa, with inverse and\n"
           "                            classical deshrinking) and WA-PLS (wapls), either or\n"
           "                            both; writes DIR/tf-performance.csv,\n"
           "                            DIR/tf-cv-estimates.csv, DIR/tf-coefficients.csv and,\n"
           "                            with --fossil, DIR/tf-reconstruction.csv (default: none)\n"
           "  --wa-tolerance            WA with tolerance down-weighting as well, both\n"
           "                            deshrinkings (default: off)\n"
           "  --wapls-components N      WA-PLS components, 1 to 20 (default: 5)\n"
           "  --cv loo|hblock|bootstrap cross-validation of the transfer functions and of the\n"
           "                            analogue method with the reconstruction settings:\n"
           "                            leave-one-out, h-block (the sites within --hblock-km\n"
           "                            of a site are left out with it; needs --locations) or\n"
           "                            bootstrap; with wapls writes DIR/tf-components.csv:\n"
           "                            per component its change of the RMSEP and the p of a\n"
           "                            randomisation t-test (999 random sign swaps) against\n"
           "                            the component before (default: none)\n"
           "  --locations FILE          site locations for --cv hblock: a site label, latitude\n"
           "                            and longitude in decimal degrees, one row per\n"
           "                            reference site (default: none)\n"
           "  --hblock-km KM            h-block distance in km, 0 or more (default: 200)\n"
           "  --bootstrap N             bootstrap resamples, 2 to 100000: sample-specific\n"
           "                            errors of the fossil samples, and the validation of\n"
           "                            --cv bootstrap (default: none; 1000 with --cv\n"
           "                            bootstrap)\n"
           "  --seed S                  seed of the random generator (the C++ standard\n"
           "                            library's mt19937_64), a whole number from 0 to\n"
           "                            18446744073709551615 (default: 1)\n"
           "  --significance N          test each reconstruction against N random variables,\n"
           "                            0 to 99999, 0 = no test; needs --fossil; writes\n"
           "                            DIR/significance.csv (default: 0)\n"
           "  --transfer-model M        the model the figures and the report draw beside the\n"
           "                            analogue reconstruction: suggested (the suggested\n"
           "                            WA-PLS model, else WA inverse), wa-inverse,\n"
           "                            wa-classical, wa-inverse-tolerance,\n"
           "                            wa-classical-tolerance or wapls:N (default: suggested)\n";
}

namespace {

bool Digits(const std::string& text, std::size_t most)
{
    if (text.empty() || text.size() > most) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string CvText(tf::Validation v)
{
    switch (v) {
        case tf::Validation::LeaveOneOut:
            return "loo";
        case tf::Validation::HBlock:
            return "hblock";
        case tf::Validation::Bootstrap:
            return "bootstrap";
        case tf::Validation::None:
            break;
    }
    return "none";
}

}  // namespace

bool ParseTransferOption(const std::vector<std::string>& args, std::size_t& i, TransferOptions& t,
                         bool& handled, std::string& error)
{
    const std::string& a = args[i];
    handled = a == "--transfer" || a == "--wa-tolerance" || a == "--wapls-components" ||
              a == "--cv" || a == "--locations" || a == "--hblock-km" || a == "--bootstrap" ||
              a == "--seed" || a == "--significance" || a == "--transfer-model";
    if (!handled) return true;
    if (a == "--wa-tolerance") {
        t.tolerance = true;
        return true;
    }
    if (i + 1 >= args.size()) {
        error = "Option " + a + " needs a value.";
        return false;
    }
    const std::string& v = args[++i];
    if (a == "--transfer") {
        t.wa = t.wapls = false;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = v.find(',', start);
            const std::string name = v.substr(start, comma - start);
            if (name == "wa" && !t.wa) {
                t.wa = true;
            } else if (name == "wapls" && !t.wapls) {
                t.wapls = true;
            } else {
                error = "--transfer takes wa, wapls or wa,wapls, not '" + v + "'.";
                return false;
            }
            if (comma == std::string::npos) return true;
            start = comma + 1;
        }
    }
    if (a == "--wapls-components") return ParseSetting(a, v, 1, 20, t.components, error);
    if (a == "--transfer-model") {
        if (!tf::ParseModelChoice(v, t.model)) {
            error =
                "--transfer-model takes suggested, wa-inverse, wa-classical, "
                "wa-inverse-tolerance, wa-classical-tolerance or wapls:N (N from 1 to 20), "
                "not '" +
                v + "'.";
            return false;
        }
        return true;
    }
    if (a == "--cv") {
        if (v == "loo") {
            t.cv = tf::Validation::LeaveOneOut;
        } else if (v == "hblock") {
            t.cv = tf::Validation::HBlock;
        } else if (v == "bootstrap") {
            t.cv = tf::Validation::Bootstrap;
        } else {
            error = "--cv takes loo, hblock or bootstrap, not '" + v + "'.";
            return false;
        }
        return true;
    }
    if (a == "--locations") {
        t.locationsPath = v;
        return true;
    }
    if (a == "--hblock-km") {
        double km = 0;
        if (!StrictVal(v, km) || !(km >= 0) || !std::isfinite(km) || km > 1e5) {
            error = "--hblock-km takes a distance in km from 0 to 100000, not '" + v + "'.";
            return false;
        }
        t.hblockKm = km;
        return true;
    }
    if (a == "--bootstrap") {
        if (v == "0") {
            t.bootstrap = 0;
            return true;
        }
        return ParseSetting(a, v, 2, 100000, t.bootstrap, error);
    }
    if (a == "--seed") {
        // Up to 2^64 - 1, digits only.
        bool ok = Digits(v, 20);
        unsigned long long seed = 0;
        if (ok) {
            errno = 0;
            seed = std::strtoull(v.c_str(), nullptr, 10);
            ok = errno == 0;
        }
        if (!ok) {
            error = "--seed takes a whole number from 0 to 18446744073709551615, not '" + v + "'.";
            return false;
        }
        t.seed = seed;
        return true;
    }
    return ParseSetting(a, v, 0, 99999, t.significance, error);
}

bool CheckTransferOptions(BatchOptions& options, std::string& error)
{
    TransferOptions& t = options.transfer;
    const TransferOptions defaults;
    if (!t.On()) {
        if (t.bootstrap < 0) t.bootstrap = 0;
        const char* given = t.tolerance                           ? "--wa-tolerance"
                            : t.components != defaults.components ? "--wapls-components"
                            : t.cv != defaults.cv                 ? "--cv"
                            : !t.locationsPath.empty()            ? "--locations"
                            : t.hblockKm != defaults.hblockKm     ? "--hblock-km"
                            : t.bootstrap != 0                    ? "--bootstrap"
                            : t.seed != defaults.seed             ? "--seed"
                            : t.significance != 0                 ? "--significance"
                            : !t.model.suggested                  ? "--transfer-model"
                                                                  : nullptr;
        if (given) {
            error = std::string(given) + " needs --transfer wa,wapls (or wa or wapls).";
            return false;
        }
        return true;
    }
    if (options.climatePath.empty()) {
        error =
            "--transfer needs --climate FILE: the transfer functions are fitted to its "
            "parameters.";
        return false;
    }
    if (t.tolerance && !t.wa) {
        error = "--wa-tolerance needs wa in --transfer.";
        return false;
    }
    if (t.components != defaults.components && !t.wapls) {
        error = "--wapls-components needs wapls in --transfer.";
        return false;
    }
    if (!t.model.suggested) {
        const tf::Column& m = t.model.column;
        const bool waModel = m.method != tf::Method::WaPls;
        const bool tolerance = m.method == tf::Method::WaInverseTolerance ||
                               m.method == tf::Method::WaClassicalTolerance;
        const std::string name = tf::ModelChoiceText(t.model);
        if (waModel && !t.wa) {
            error = "--transfer-model " + name + " needs wa in --transfer.";
            return false;
        }
        if (tolerance && !t.tolerance) {
            error = "--transfer-model " + name + " needs --wa-tolerance.";
            return false;
        }
        if (!waModel && (!t.wapls || m.components > t.components)) {
            error = "--transfer-model " + name + " needs wapls in --transfer with at least " +
                    std::to_string(m.components) + " components (--wapls-components).";
            return false;
        }
        if (options.reportPath.empty() && options.figuresDir.empty()) {
            error =
                "--transfer-model chooses what the figures draw; it needs --report FILE.pdf "
                "or --figures DIR.";
            return false;
        }
    }
    if (t.cv == tf::Validation::HBlock && t.locationsPath.empty()) {
        error = "--cv hblock needs --locations FILE: the distances between the sites come from it.";
        return false;
    }
    if (t.cv != tf::Validation::HBlock && !t.locationsPath.empty()) {
        error = "--locations is used by --cv hblock only.";
        return false;
    }
    if (t.cv != tf::Validation::HBlock && t.hblockKm != defaults.hblockKm) {
        error = "--hblock-km is the distance of --cv hblock.";
        return false;
    }
    if (t.cv == tf::Validation::Bootstrap && t.bootstrap == 0) {
        error = "--cv bootstrap needs resamples: --bootstrap 0 leaves none.";
        return false;
    }
    // A bootstrap validation without a number of resamples has the usual thousand.
    if (t.bootstrap < 0)
        t.bootstrap = t.cv == tf::Validation::Bootstrap ? tf::kDefaultResamples : 0;
    if (t.bootstrap > 0 && t.cv != tf::Validation::Bootstrap && options.fossilPath.empty()) {
        error =
            "--bootstrap without --cv bootstrap gives the errors of fossil samples: it needs "
            "--fossil FILE.";
        return false;
    }
    if (t.significance > 0 && options.fossilPath.empty()) {
        error =
            "--significance tests the reconstruction of a fossil sequence: it needs --fossil FILE.";
        return false;
    }
    return true;
}

tf::Settings SettingsOf(const TransferOptions& t)
{
    tf::Settings s;
    s.wa = t.wa;
    s.waTolerance = t.tolerance;
    s.wapls = t.wapls;
    s.components = t.components;
    s.validation = t.cv;
    s.hblockKm = t.hblockKm;
    s.resamples = t.bootstrap;
    s.seed = t.seed;
    s.randomVariables = t.significance;
    return s;
}

TransferOptions OptionsOf(const tf::Settings& s, const std::string& locationsPath)
{
    TransferOptions t;
    t.wa = s.wa;
    t.tolerance = s.waTolerance;
    t.wapls = s.wapls;
    if (s.wapls) t.components = s.components;
    t.cv = s.validation;
    if (s.validation == tf::Validation::HBlock) {
        t.locationsPath = locationsPath;
        t.hblockKm = s.hblockKm;
    }
    t.bootstrap = s.resamples;
    t.seed = s.seed;
    t.significance = s.randomVariables;
    return t;
}

std::vector<std::string> TransferCommandLine(const TransferOptions& t)
{
    std::vector<std::string> args;
    if (!t.On()) return args;
    const TransferOptions d;
    auto add = [&](const char* option, const std::string& value = {}) {
        args.emplace_back(option);
        if (!value.empty()) args.push_back(value);
    };
    add("--transfer", t.wa && t.wapls ? "wa,wapls" : t.wa ? "wa" : "wapls");
    if (t.tolerance) add("--wa-tolerance");
    if (t.wapls && t.components != d.components)
        add("--wapls-components", std::to_string(t.components));
    if (t.cv != tf::Validation::None) add("--cv", CvText(t.cv));
    if (t.cv == tf::Validation::HBlock) {
        add("--locations", t.locationsPath);
        if (t.hblockKm != d.hblockKm) add("--hblock-km", FormatNumber(t.hblockKm));
    }
    // A bootstrap validation has a thousand resamples unless told otherwise.
    const int usual = t.cv == tf::Validation::Bootstrap ? tf::kDefaultResamples : 0;
    if (t.bootstrap > 0 && t.bootstrap != usual) add("--bootstrap", std::to_string(t.bootstrap));
    if (t.seed != d.seed) add("--seed", std::to_string(t.seed));
    if (t.significance > 0) add("--significance", std::to_string(t.significance));
    if (!t.model.suggested) add("--transfer-model", tf::ModelChoiceText(t.model));
    return args;
}

std::vector<std::pair<std::string, std::string>> EffectiveTransferOptions(const TransferOptions& t)
{
    std::string methods = t.wa ? "wa" : "";
    if (t.wapls) methods += methods.empty() ? "wapls" : ",wapls";
    return {
        {"--transfer", methods},
        {"--wa-tolerance", t.tolerance ? "on" : "off"},
        {"--wapls-components", std::to_string(t.components)},
        {"--cv", CvText(t.cv)},
        {"--locations", t.locationsPath},
        {"--hblock-km", FormatNumber(t.hblockKm)},
        {"--bootstrap", std::to_string(t.bootstrap)},
        {"--seed", std::to_string(t.seed)},
        {"--significance", std::to_string(t.significance)},
        {"--transfer-model", tf::ModelChoiceText(t.model)},
    };
}

namespace {

std::string Figure(double v)
{
    return std::isnan(v) ? "undefined" : FormatNumber(v);
}

// Runs the transfer functions on inputs and adds their files; a summary per parameter on out.
bool RunAndCollect(const tf::Inputs& inputs, const BatchOptions& options, std::ostream& out,
                   std::ostream& err, std::vector<std::pair<std::string, std::string>>& files,
                   std::shared_ptr<const tf::Results>* kept = nullptr)
{
    const tf::Settings settings = SettingsOf(options.transfer);
    const std::string problem = tf::CheckInputs(inputs, settings);
    if (!problem.empty()) {
        err << "Transfer functions: " << problem << "\n";
        return false;
    }
    const auto shared =
        std::make_shared<const tf::Results>(tf::RunTransferFunctions(inputs, settings));
    const tf::Results& results = *shared;
    if (kept) *kept = shared;
    const std::string validation = tf::ValidationText(settings);
    out << "Transfer functions: " << inputs.sites << " sites, " << inputs.taxa << " taxa, "
        << (validation.empty() ? std::string("apparent figures only") : validation) << "\n";
    for (const tf::ParamResult& p : results.params) {
        out << "  " << inputs.paramNames[static_cast<std::size_t>(p.param)] << ": RMSE"
            << (validation.empty() ? "" : "P");
        for (std::size_t c = 0; c < results.columns.size(); ++c) {
            const tf::Column& col = results.columns[c];
            if (col.method == tf::Method::Mat && validation.empty()) continue;
            const tf::Figures& f =
                validation.empty() ? p.apparentFigures[c] : p.validatedFigures[c];
            out << (c ? ", " : " ") << tf::MethodName(col.method);
            if (col.components > 0) out << " " << col.components;
            out << " " << Figure(f.rmse);
        }
        if (p.suggested > 0) out << "; WA-PLS components suggested: " << p.suggested;
        out << "\n";
    }
    files.emplace_back(tf::kPerformanceFile, tf::PerformanceText(inputs, results));
    files.emplace_back(tf::kCrossValidationFile, tf::CrossValidationText(inputs, results));
    files.emplace_back(tf::kCoefficientsFile, tf::CoefficientsText(inputs, results));
    if (!options.fossilPath.empty())
        files.emplace_back(tf::kReconstructionFile, tf::ReconstructionText(inputs, results));
    if (settings.randomVariables > 0)
        files.emplace_back(tf::kSignificanceFile, tf::SignificanceText(inputs, results));
    if (settings.wapls && settings.validation != tf::Validation::None)
        files.emplace_back(tf::kComponentsFile, tf::ComponentsText(inputs, results));
    return true;
}

bool ReadLocations(const BatchOptions& options, const std::vector<std::string>& labels, int sites,
                   std::vector<double>& latitude, std::vector<double>& longitude, std::ostream& err,
                   RecordedInputs* inputs)
{
    if (options.transfer.locationsPath.empty()) return true;
    tf::LocationOutcome read =
        tf::ReadSiteLocations(options.transfer.locationsPath, labels, sites, kTransferMaxSites);
    if (!read.ok) {
        PrintFailure("Location data", options.transfer.locationsPath, read.messages, read.reason,
                     err);
        return false;
    }
    RecordInput(inputs, "--locations", options.transfer.locationsPath, std::move(read.input));
    latitude = std::move(read.latitude);
    longitude = std::move(read.longitude);
    return true;
}

}  // namespace

bool BatchTransferStage(const Workspace& ws, const BatchOptions& options, std::ostream& out,
                        std::ostream& err, std::vector<std::pair<std::string, std::string>>& files,
                        RecordedInputs* inputs, TransferFigureData* figures)
{
    if (!options.transfer.On()) return true;
    std::vector<double> latitude, longitude;
    if (!ReadLocations(options, ws.refSiteLabels, ws.refSiteCount, latitude, longitude, err,
                       inputs))
        return false;
    auto in = std::make_shared<const tf::Inputs>(
        tf::InputsFromWorkspace(ws, &options.analogue, latitude, longitude));
    std::shared_ptr<const tf::Results> results;
    if (!RunAndCollect(*in, options, out, err, files, &results)) return false;
    if (figures) {
        figures->inputs = std::move(in);
        figures->results = std::move(results);
        figures->model = options.transfer.model;
    }
    return true;
}

bool TransferReferenceStage(Workspace& ws, const BatchOptions& options, std::ostream& err,
                            RecordedInputs* inputs, TableReadResult& large)
{
    TableLimits limits;
    limits.maxRows = kTransferMaxSites;
    TableReadResult read = ReadDataTableFile(options.referencePath, limits);
    if (read.status == TableStatus::Ok && read.table.rowCount > TableLimits{}.maxRows) {
        large = std::move(read);
        return true;
    }
    ImportOutcome outcome = ImportReferenceTableFrom(ws, std::move(read), options.referencePath);
    if (!outcome.ok) {
        PrintFailure("Reference data", options.referencePath, outcome.messages, outcome.reason,
                     err);
        return false;
    }
    RecordInput(inputs, "--reference", options.referencePath, std::move(outcome.input));
    return ReportChecks(outcome.checks, options, err);
}

int RunTransferOnly(const std::vector<std::string>& args, BatchOptions options,
                    TableReadResult reference, RecordedInputs inputs, std::ostream& out,
                    std::ostream& err)
{
    RecordInput(&inputs, "--reference", options.referencePath, std::move(reference.input));
    DataTable& table = reference.table;
    const int sites = table.rowCount;
    const int taxa = table.columnCount;
    const std::string workspaceOnly = options.errorModel            ? "--error-model"
                                      : options.calibrate           ? "--calibrate"
                                      : options.zonation            ? "--zonation"
                                      : !options.reportPath.empty() ? "--report"
                                      : !options.figuresDir.empty() ? "--figures"
                                      : options.analogue.basis == DistanceBasis::EofValues
                                          ? "--basis eof"
                                          : "";
    if (!workspaceOnly.empty()) {
        err << "Reference data " << options.referencePath << ": " << sites
            << " sites, more than the " << TableLimits{}.maxRows
            << " the analysis windows hold. Beyond them only the transfer functions run, with "
               "the analogue method on taxa proportions; "
            << workspaceOnly << " cannot be used.\n";
        return 1;
    }
    if (const std::string tooLarge = ValueTooLargeMessage(table); !tooLarge.empty()) {
        PrintFailure("Reference data", options.referencePath, {tooLarge}, "", err);
        return 1;
    }
    if (!ReportChecks(TableCheckLines(table, CheckTable(table), "reference", options.referencePath),
                      options, err))
        return 1;
    out << "Reference data: " << sites << " sites x " << taxa
        << " taxa, beyond the analysis windows: only the transfer functions run\n";

    ClimateReadOutcome climate = ReadClimateTableFor(sites, table.rowLabels, options.climatePath);
    if (!climate.ok) {
        PrintFailure("Climate data", options.climatePath, climate.messages, climate.reason, err);
        return 1;
    }
    RecordInput(&inputs, "--climate", options.climatePath, std::move(climate.input));
    if (!climate.mismatchedSites.empty() && !options.acceptSiteNames) {
        PrintSiteNameQuestions(options.climatePath, climate.mismatchedSites,
                               climate.table.siteNames, table.rowLabels, err);
        return 1;
    }

    tf::Inputs in;
    in.sites = sites;
    in.taxa = taxa;
    in.siteLabels = table.rowLabels;
    in.taxonNames = table.columnNames;
    in.modern = ComputeProportions(table.values, sites, taxa, options.choice.convertToPercent);
    in.params = climate.table.paramCount;
    in.paramNames = climate.table.paramNames;
    in.climate = std::move(climate.table.values);

    if (!options.fossilPath.empty()) {
        // The fossil table is matched to the reference taxa as the fossil import does.
        Workspace taxaOnly;
        taxaOnly.refTaxonCount = static_cast<int16_t>(taxa);
        taxaOnly.refTaxonNames = table.columnNames;
        bool byNameOffered = false;
        FossilReadOutcome fossil =
            ReadFossilTable(taxaOnly, options.fossilPath, [&](const std::string&) {
                byNameOffered = true;
                return options.matchTaxaByName;
            });
        if (!fossil.ok) {
            PrintFailure("Fossil data", options.fossilPath, fossil.messages, fossil.reason, err);
            if (byNameOffered && !options.matchTaxaByName)
                err << "The fossil table has the reference taxa in another order; run with "
                       "--match-taxa-by-name to match them by name.\n";
            return 1;
        }
        std::vector<std::string> accepted = fossil.nameEntries;
        for (int t : fossil.mismatchedColumns) {
            const std::string question =
                NameQuestion(fossil.table.columnNames[t], table.columnNames[t]);
            if (!options.acceptNameMismatches) {
                err << "Fossil data " << options.fossilPath << ":\n"
                    << question
                    << "\nTaxon names differ; run with --accept-name-mismatches to match the "
                       "columns by position anyway.\n";
                return 1;
            }
            accepted.push_back(NameMatchEntry(fossil.table.columnNames[t], table.columnNames[t]));
        }
        if (!ReportChecks(fossil.checks, options, err)) return 1;
        RecordInput(&inputs, "--fossil", options.fossilPath, std::move(fossil.input));
        CommitFossilTable(taxaOnly, std::move(fossil.table), options.fossilPath, accepted,
                          options.choice, fossil.columnOfTaxon);
        in.samples = taxaOnly.fossilSampleCount;
        in.sampleLabels = taxaOnly.fossilSampleLabels;
        in.fossil = taxaOnly.fossilProportions;
        in.sampleEmpty = taxaOnly.fossilSampleEmpty;
        out << "Fossil data: " << in.samples << " samples\n";
    }
    if (!ReadLocations(options, in.siteLabels, sites, in.latitude, in.longitude, err, &inputs))
        return 1;
    in.analogue =
        tf::TaxaAnalogueSetup(in.modern, sites, in.fossil, in.samples, taxa, options.analogue);

    std::vector<std::pair<std::string, std::string>> files;
    if (!RunAndCollect(in, options, out, err, files)) return 1;
    const std::time_t now = std::time(nullptr);
    std::string record, recordError;
    if (!RunRecordText(args, options, Workspace{}, {}, now, inputs, record, recordError)) {
        err << recordError << "\n";
        return 1;
    }
    files.emplace_back(kRunRecordFileName, std::move(record));
    options.transferOnly = true;
    return BatchWriteStage(Workspace{}, options, DateTimeText(now), out, err, files) ? 0 : 1;
}

}  // namespace tarvex
