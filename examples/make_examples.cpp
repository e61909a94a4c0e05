// make_examples: writes the example data set shipped with Tarvex and checks that the
// committed copies are still exactly what this program produces.
//
//   make_examples --write DIR   writes DIR/reference.csv, DIR/climate.csv, DIR/fossil.csv
//   make_examples --check DIR   exit 0 only if the three files in DIR are byte-for-byte the
//                               output of --write and pass the import checks below
//   make_examples --self-test   checks the number formatting and the file checks themselves
//
// The data are synthetic. Nothing here is a real site or a real core.
//
// Model
// -----
// Modern climate. 150 sites, labelled S001..S150. Mean temperature of the coldest month
// Tcold is uniform on [-30, 8] degC. Annual precipitation Pann is uniform on
// [200, 800 + 18 (Tcold + 30)] mm, so cold sites are on the whole drier, as on a real
// continent. Mean temperature of the warmest month follows Tcold with a continental spread:
// Twarm = 21 + 0.32 Tcold - 0.0025 (Pann - 700) + N(0, 1.2) degC.
//
// Pollen. 25 taxa, each with a Gaussian response surface over (Tcold, Pann):
//   a_k exp(-(Tcold - uT_k)^2 / (2 tT_k^2) - (Pann - uP_k)^2 / (2 tP_k^2))
// (parameters in kTaxa below). A site's expected composition is that surface, scaled per
// taxon by log-normal site noise exp(N(0, 0.3)) for local vegetation and pollen
// production, then normalised. A count of N grains (uniform integer, 300..600 for the
// modern sites, 300..500 for the fossil samples) is drawn from it one grain at a time,
// and the values written are percentages of that count, rounded to 2 decimals. Taxa far
// from their optimum therefore get no grains, which is where the zeros come from. Tcold
// and Pann are the two main gradients, so the first two EOFs of the percentage table
// follow them.
//
// Fossil sequence. 60 samples at depths 100, 105, ..., 395 cm (label = depth, top first).
// The climate path is a piecewise-linear curve through kPath (cold and dry at the base,
// warming to a mid-sequence optimum, slight cooling towards the top) plus an AR(1)
// wobble (phi 0.6, sd 0.8 degC and 40 mm), and stays inside the modern climate space.
// Two deliberate exceptions, so that the example shows both situations:
//   * depths 330..355 (6 samples) have no modern analogue: a quarter of their composition
//     is an even mix of a cold steppe (Tcold -24, Pann 260) and a temperate broadleaf
//     forest (Tcold 3, Pann 1150), the rest oak and grass in equal parts: an oak-grass
//     parkland with steppe herbs and larch that no climate of the model produces, and
//     that leaves the envelope of the modern sites already in the plane of EOFs 1 and 2;
//   * depth 270 is a barren sample: every value is 0.
//
// Randomness. std::mt19937 (its output sequence is fixed by the C++ standard) seeded
// with kSeed for the modern tables and kSeed + 1 for the fossil table. The conversions
// to uniform and normal variates are done here (53-bit uniform, Box-Muller) because the
// standard distributions differ between library implementations.
//
// Text format. LF line ends, one after the last row and nothing after it; an empty
// corner cell; no spaces or quotes in any cell. Every number is written canonically
// (no '+', a 0 before the point below 1, no trailing zeros, no exponent, never -0)
// because the table reader recognises the end of the header by the first cell whose
// value prints back as exactly its text: 12.50 there would shift the whole layout.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tarvex {
namespace {

constexpr std::uint32_t kSeed = 73041;
constexpr int kSiteCount = 150;
constexpr double kSiteNoiseSd = 0.3;

struct Taxon {
    const char* name;
    double optTcold, tolTcold;  // degC
    double optPann, tolPann;    // mm
    double maxAbundance;        // relative pollen production at the optimum
};

constexpr Taxon kTaxa[] = {
    {"Pinus", -12, 12, 600, 500, 40},
    {"Picea", -18, 6, 700, 300, 25},
    {"Abies", -8, 5, 1000, 300, 8},
    {"Larix", -26, 5, 400, 250, 6},
    {"Betula", -20, 9, 600, 400, 30},
    {"Alnus", -14, 8, 900, 350, 15},
    {"Salix", -24, 7, 500, 350, 5},
    {"Corylus", -2, 5, 850, 300, 12},
    {"Quercus", 2, 5, 900, 350, 25},
    {"Fagus", 3, 3.5, 1100, 250, 20},
    {"Carpinus", 0, 4, 900, 300, 10},
    {"Ulmus", -3, 5, 850, 300, 6},
    {"Tilia", -3, 4.5, 750, 250, 6},
    {"Fraxinus", -1, 5, 950, 300, 6},
    {"Juniperus", -16, 10, 350, 200, 6},
    {"Ericaceae", -10, 8, 1200, 300, 10},
    {"Poaceae", -6, 15, 350, 300, 25},
    {"Cyperaceae", -24, 8, 700, 400, 15},
    {"Artemisia", -16, 10, 250, 180, 25},
    {"Chenopodiaceae", -8, 10, 200, 150, 20},
    {"Asteraceae", -4, 12, 300, 250, 8},
    {"Ephedra", -14, 8, 180, 120, 8},
    {"Plantago", 0, 8, 800, 400, 4},
    {"Rumex", -10, 12, 700, 400, 3},
    {"Thalictrum", -20, 8, 400, 250, 3},
};
constexpr int kTaxonCount = static_cast<int>(sizeof(kTaxa) / sizeof(kTaxa[0]));

struct PathPoint {
    double depth, tcold, pann;
};

// Base of the core first; depths in between are interpolated linearly.
constexpr PathPoint kPath[] = {
    {395, -24, 300}, {360, -20, 380}, {320, -12, 550}, {290, -5, 750},
    {250, 0, 900},   {200, 1, 950},   {150, -2, 1000}, {100, -4, 900},
};

constexpr int kTopDepth = 100;
constexpr int kDepthStep = 5;
constexpr int kSampleCount = 60;
constexpr int kNoAnalogueTop = 330;
constexpr int kNoAnalogueBase = 355;
constexpr int kBarrenDepth = 270;

class Random {
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}

    // Strictly inside (0, 1), so the logarithm in Normal() is always finite.
    double Uniform()
    {
        const auto high = static_cast<std::uint32_t>(engine_() >> 5);
        const auto low = static_cast<std::uint32_t>(engine_() >> 6);
        return (high * 67108864.0 + low + 0.5) / 9007199254740992.0;
    }

    double Normal()
    {
        if (hasSpare_) {
            hasSpare_ = false;
            return spare_;
        }
        const double radius = std::sqrt(-2.0 * std::log(Uniform()));
        const double angle = 6.283185307179586 * Uniform();
        spare_ = radius * std::sin(angle);
        hasSpare_ = true;
        return radius * std::cos(angle);
    }

    int Between(int lo, int hi) { return lo + static_cast<int>(Uniform() * (hi - lo + 1)); }

private:
    std::mt19937 engine_;
    bool hasSpare_ = false;
    double spare_ = 0.0;
};

// Decimal text with at most `decimals` places, as the table reader's number test wants it.
// Works on the rounded integer so that no printf rounding or locale is involved.
std::string FormatNumber(double value, int decimals)
{
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const long long scaled = std::llround(value * static_cast<double>(scale));
    if (scaled == 0)
        return "0";
    const unsigned long long magnitude =
        scaled < 0 ? 0ULL - static_cast<unsigned long long>(scaled) : static_cast<unsigned long long>(scaled);
    std::string text = (scaled < 0 ? "-" : "") + std::to_string(magnitude / scale);
    std::string fraction = std::to_string(magnitude % scale);
    fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return text;
}

double RoundTo(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return static_cast<double>(std::llround(value * scale)) / scale;
}

struct Table {
    std::vector<std::string> columns;  // taxon or parameter names; the corner cell is empty
    std::vector<std::string> labels;
    std::vector<std::vector<double>> values;
    std::vector<int> decimals;  // per column
};

std::string ToCsv(const Table& table)
{
    std::string text;
    for (const std::string& name : table.columns)
        text += "," + name;
    text += "\n";
    for (std::size_t r = 0; r < table.labels.size(); ++r) {
        text += table.labels[r];
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            text += "," + FormatNumber(table.values[r][c], table.decimals[c]);
        text += "\n";
    }
    return text;
}

std::vector<double> ResponseSurface(double tcold, double pann)
{
    std::vector<double> response(kTaxonCount);
    for (int k = 0; k < kTaxonCount; ++k) {
        const Taxon& t = kTaxa[k];
        const double dt = (tcold - t.optTcold) / t.tolTcold;
        const double dp = (pann - t.optPann) / t.tolPann;
        response[k] = t.maxAbundance * std::exp(-0.5 * (dt * dt + dp * dp));
    }
    return response;
}

int TaxonIndex(const std::string& name)
{
    for (int k = 0; k < kTaxonCount; ++k)
        if (name == kTaxa[k].name) return k;
    return -1;
}

std::vector<double> Normalised(std::vector<double> v)
{
    double total = 0;
    for (double x : v)
        total += x;
    for (double& x : v)
        x /= total;
    return v;
}

// Site noise, then a pollen count of grainCount grains; returns percentages of the count.
std::vector<double> CountPollen(const std::vector<double>& expected, int grainCount, Random& random)
{
    std::vector<double> cumulative(kTaxonCount);
    double total = 0;
    for (int k = 0; k < kTaxonCount; ++k) {
        total += expected[k] * std::exp(kSiteNoiseSd * random.Normal());
        cumulative[k] = total;
    }
    std::vector<int> counts(kTaxonCount, 0);
    for (int g = 0; g < grainCount; ++g) {
        const double u = random.Uniform() * total;
        const auto hit = std::upper_bound(cumulative.begin(), cumulative.end(), u);
        ++counts[hit == cumulative.end() ? kTaxonCount - 1 : hit - cumulative.begin()];
    }
    std::vector<double> percent(kTaxonCount);
    for (int k = 0; k < kTaxonCount; ++k)
        percent[k] = RoundTo(100.0 * counts[k] / grainCount, 2);
    return percent;
}

std::vector<std::string> TaxonNames()
{
    std::vector<std::string> names;
    for (const Taxon& t : kTaxa)
        names.push_back(t.name);
    return names;
}

struct ExampleSet {
    Table reference, climate, fossil;
};

void MakeModern(ExampleSet& set)
{
    Random random(kSeed);
    set.reference.columns = TaxonNames();
    set.reference.decimals.assign(kTaxonCount, 2);
    set.climate.columns = {"Tcold", "Twarm", "Pann"};
    set.climate.decimals = {1, 1, 1};
    for (int s = 1; s <= kSiteCount; ++s) {
        const double tcold = -30.0 + 38.0 * random.Uniform();
        const double pann = 200.0 + (600.0 + 18.0 * (tcold + 30.0)) * random.Uniform();
        const double twarm = 21.0 + 0.32 * tcold - 0.0025 * (pann - 700.0) + 1.2 * random.Normal();
        const int grains = random.Between(300, 600);

        char label[8];
        std::snprintf(label, sizeof label, "S%03d", s);
        set.reference.labels.push_back(label);
        set.climate.labels.push_back(label);
        set.reference.values.push_back(
            CountPollen(Normalised(ResponseSurface(tcold, pann)), grains, random));
        set.climate.values.push_back({RoundTo(tcold, 1), RoundTo(twarm, 1), RoundTo(pann, 1)});
    }
}

PathPoint PathAt(double depth)
{
    constexpr int last = static_cast<int>(sizeof(kPath) / sizeof(kPath[0])) - 1;
    for (int i = 0; i < last; ++i) {
        const PathPoint& a = kPath[i];
        const PathPoint& b = kPath[i + 1];
        if (depth <= a.depth && depth >= b.depth) {
            const double f = (a.depth - depth) / (a.depth - b.depth);
            return {depth, a.tcold + f * (b.tcold - a.tcold), a.pann + f * (b.pann - a.pann)};
        }
    }
    return depth > kPath[0].depth ? kPath[0] : kPath[last];
}

void MakeFossil(ExampleSet& set)
{
    Random random(kSeed + 1);
    set.fossil.columns = TaxonNames();
    set.fossil.decimals.assign(kTaxonCount, 2);

    const std::vector<double> steppe = Normalised(ResponseSurface(-24, 260));
    const std::vector<double> broadleaf = Normalised(ResponseSurface(3, 1150));
    // Oak and grass far more abundant together than at any modern site, over a steppe and
    // broadleaf background: an open oak-grass parkland the modern set lacks. A plain mix of
    // two modern compositions would project between them, inside the envelope.
    const int quercus = TaxonIndex("Quercus");
    const int poaceae = TaxonIndex("Poaceae");
    std::vector<double> noAnalogue(kTaxonCount);
    for (int k = 0; k < kTaxonCount; ++k)
        noAnalogue[k] = 0.5 * steppe[k] + 0.5 * broadleaf[k] + (k == quercus || k == poaceae ? 1.0 : 0.0);
    noAnalogue = Normalised(noAnalogue);

    // The sequence is built from the base upwards, as it was deposited, so the AR(1)
    // wobble runs forward in time; rows are stored top first.
    std::vector<std::vector<double>> rows(kSampleCount);
    double wobbleT = 0, wobbleP = 0;
    for (int i = kSampleCount - 1; i >= 0; --i) {
        const int depth = kTopDepth + kDepthStep * i;
        wobbleT = 0.6 * wobbleT + 0.8 * random.Normal();
        wobbleP = 0.6 * wobbleP + 40.0 * random.Normal();
        const int grains = random.Between(300, 500);
        const PathPoint p = PathAt(depth);
        if (depth == kBarrenDepth)
            rows[i].assign(kTaxonCount, 0.0);
        else if (depth >= kNoAnalogueTop && depth <= kNoAnalogueBase)
            rows[i] = CountPollen(noAnalogue, grains, random);
        else
            rows[i] = CountPollen(Normalised(ResponseSurface(p.tcold + wobbleT, p.pann + wobbleP)),
                                  grains, random);
    }
    for (int i = 0; i < kSampleCount; ++i) {
        set.fossil.labels.push_back(std::to_string(kTopDepth + kDepthStep * i));
        set.fossil.values.push_back(rows[i]);
    }
}

ExampleSet MakeExamples()
{
    ExampleSet set;
    MakeModern(set);
    MakeFossil(set);
    return set;
}

struct OutputFile {
    const char* name;
    std::string text;
};

std::vector<OutputFile> Render(const ExampleSet& set)
{
    return {{"reference.csv", ToCsv(set.reference)},
            {"climate.csv", ToCsv(set.climate)},
            {"fossil.csv", ToCsv(set.fossil)}};
}

// ---------------------------------------------------------------------------------------
// Import checks. These read the text the way the program's table reader does (flat cell
// sequence, layout detected from the first number met) and add the promises the example
// set makes on top of that. They run on every --write and --check, so a change to the
// generator that would break the import cannot be committed by regenerating.

// The reader's number test: the value read from the leading part of the cell, printed
// in the general format with 15 significant digits, must give the cell back exactly.
bool IsNumberText(const std::string& cell)
{
    const char* begin = cell.c_str();
    while (*begin == ' ')
        ++begin;
    char* end = nullptr;
    double value = std::strtod(begin, &end);
    if (end == begin || value == 0)
        value = 0;  // also turns -0 into 0: the reader prints no negative zero
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.15g", value);
    return cell == printed;
}

struct ParsedTable {
    std::vector<std::string> header;               // without the corner cell
    std::vector<std::vector<std::string>> rows;    // label first
};

// Returns an empty string when the text is acceptable, otherwise the first problem.
std::string ParseStrict(const std::string& text, ParsedTable& table)
{
    if (text.empty() || text.back() != '\n')
        return "file does not end with a line end";
    if (text.size() >= 2 && text[text.size() - 2] == '\n')
        return "blank line at the end of the file";
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find_first_of("\r \"\t") != std::string::npos)
            return "line " + std::to_string(lines.size() + 1) + " holds a CR, space, tab or quote";
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = line.find(',', start);
            cells.push_back(line.substr(start, comma - start));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        lines.push_back(cells);
    }
    if (lines.size() < 3)
        return "fewer than two data rows";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size() != lines[0].size())
            return "line " + std::to_string(i + 1) + " has a different number of cells";
        for (std::size_t c = (i == 0 ? 1 : 0); c < lines[i].size(); ++c)
            if (lines[i][c].empty())
                return "empty cell on line " + std::to_string(i + 1);
    }
    table.header.assign(lines[0].begin() + 1, lines[0].end());
    table.rows.assign(lines.begin() + 1, lines.end());
    return "";
}

// The reader's layout detection on the flat cell sequence: count cells up to and
// including the first number (c); the cell at 2c - 4 tells text labels from number labels.
void DetectLayout(const std::string& text, int& columns, bool& textLabels)
{
    std::vector<std::string> cells;
    std::string cell;
    for (char ch : text) {
        if (ch == ',' || ch == '\n') {
            cells.push_back(cell);
            cell.clear();
        } else {
            cell += ch;
        }
    }
    std::size_t c = 0;
    while (c < cells.size() && !IsNumberText(cells[c]))
        ++c;
    ++c;
    const std::size_t probe = 2 * c - 4;
    textLabels = probe >= cells.size() || !IsNumberText(cells[probe]);
    columns = static_cast<int>(c) - (textLabels ? 3 : 2);
}

struct Expectation {
    const char* file;
    bool textLabels;
    std::vector<std::string> header;
    std::vector<std::string> labels;  // empty: not compared
    bool percentages;
};

std::string CheckTable(const std::string& text, const Expectation& want, ParsedTable& table)
{
    const std::string name = want.file;
    std::string problem = ParseStrict(text, table);
    if (!problem.empty())
        return name + ": " + problem;
    int columns = 0;
    bool textLabels = false;
    DetectLayout(text, columns, textLabels);
    if (columns != static_cast<int>(want.header.size()) || textLabels != want.textLabels)
        return name + ": the reader would see " + std::to_string(columns) + " columns with " +
               (textLabels ? "text" : "number") + " labels";
    if (table.header != want.header)
        return name + ": column names differ from the reference taxa or parameters";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const std::vector<std::string>& row = table.rows[r];
        const std::string where = name + " row " + std::to_string(r + 1);
        if (IsNumberText(row[0]) == want.textLabels)
            return where + ": label " + row[0] + " is not of the table's label kind";
        if (!want.labels.empty() && (r >= want.labels.size() || row[0] != want.labels[r]))
            return where + ": label " + row[0] + " does not match the reference sites";
        double sum = 0;
        for (std::size_t c = 1; c < row.size(); ++c) {
            if (!IsNumberText(row[c]))
                return where + ": cell " + row[c] + " is not canonical number text";
            const double v = std::strtod(row[c].c_str(), nullptr);
            if (want.percentages && (v < 0 || v > 100))
                return where + ": percentage " + row[c] + " out of range";
            sum += v;
        }
        // Rounding each of the 25 values to 2 decimals moves the sum by at most 0.125.
        if (want.percentages && sum != 0 && std::fabs(sum - 100) > 0.13)
            return where + ": percentages sum to " + std::to_string(sum);
    }
    if (!want.labels.empty() && table.rows.size() != want.labels.size())
        return name + ": " + std::to_string(table.rows.size()) + " rows instead of " +
               std::to_string(want.labels.size());
    return "";
}

// Empty when the three texts make a loadable, self-consistent example set.
std::string CheckExampleSet(const std::string& reference, const std::string& climate,
                            const std::string& fossil)
{
    ParsedTable ref, clim, fos;
    std::string problem = CheckTable(reference, {"reference.csv", true, TaxonNames(), {}, true}, ref);
    if (!problem.empty())
        return problem;
    std::vector<std::string> siteLabels;
    for (const auto& row : ref.rows)
        siteLabels.push_back(row[0]);
    for (std::size_t r = 0; r < ref.rows.size(); ++r)
        if (std::all_of(ref.rows[r].begin() + 1, ref.rows[r].end(), [](const std::string& s) { return s == "0"; }))
            return "reference.csv row " + std::to_string(r + 1) + ": site without pollen";
    problem = CheckTable(climate, {"climate.csv", true, {"Tcold", "Twarm", "Pann"}, siteLabels, false}, clim);
    if (!problem.empty())
        return problem;
    problem = CheckTable(fossil, {"fossil.csv", false, ref.header, {}, true}, fos);
    if (!problem.empty())
        return problem;

    int emptyRows = 0;
    double previousDepth = -1e300;
    for (std::size_t r = 0; r < fos.rows.size(); ++r) {
        const double depth = std::strtod(fos.rows[r][0].c_str(), nullptr);
        if (depth <= previousDepth)
            return "fossil.csv row " + std::to_string(r + 1) + ": depths not ascending";
        previousDepth = depth;
        if (std::all_of(fos.rows[r].begin() + 1, fos.rows[r].end(), [](const std::string& s) { return s == "0"; })) {
            if (r == 0)
                return "fossil.csv: the first sample is empty";
            ++emptyRows;
        }
    }
    if (emptyRows != 1)
        return "fossil.csv: " + std::to_string(emptyRows) + " empty samples instead of one";
    return "";
}

bool ReadFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// 0 when equal, else the 1-based line of the first difference.
std::size_t FirstDifferentLine(const std::string& a, const std::string& b)
{
    if (a == b)
        return 0;
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return 1 + static_cast<std::size_t>(std::count(a.begin(), mismatch.first, '\n'));
}

int Write(const std::string& dir, const std::vector<OutputFile>& files)
{
    for (const OutputFile& f : files) {
        const std::string path = dir + "/" + f.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << f.text;
        out.close();
        if (!out) {
            std::cerr << "make_examples: cannot write " << path << "\n";
            return 1;
        }
        std::cout << "wrote " << path << "\n";
    }
    return 0;
}

int Check(const std::string& dir, const std::vector<OutputFile>& files)
{
    int failures = 0;
    for (const OutputFile& f : files) {
        const std::string path = dir + "/" + f.name;
        std::string committed;
        if (!ReadFile(path, committed)) {
            std::cerr << path << ": cannot read\n";
            ++failures;
        } else if (const std::size_t line = FirstDifferentLine(committed, f.text)) {
            std::cerr << path << ": differs from the generator output from line " << line
                      << " on; run make_examples --write " << dir << "\n";
            ++failures;
        }
    }
    if (failures == 0)
        std::cout << "example data are up to date\n";
    return failures == 0 ? 0 : 1;
}

// ---------------------------------------------------------------------------------------
// Self-test of the pieces the --check verdict rests on.

int SelfTest(const std::vector<OutputFile>& files)
{
    int failures = 0;
    auto expect = [&failures](bool ok, const std::string& what) {
        if (!ok) {
            std::cerr << "FAIL: " << what << "\n";
            ++failures;
        }
    };

    const struct {
        double value;
        int decimals;
        const char* text;
    } formats[] = {
        {12.5, 2, "12.5"},   {12.50001, 2, "12.5"}, {3.0, 1, "3"},     {100, 2, "100"},
        {0.5, 2, "0.5"},     {0.004, 2, "0"},       {-0.04, 1, "0"},   {-0.06, 1, "-0.1"},
        {-3.25, 2, "-3.25"}, {0.25, 2, "0.25"},     {0.05, 2, "0.05"}, {1234.56, 1, "1234.6"},
        {-30, 1, "-30"},     {99.995, 2, "100"},    {7.1, 1, "7.1"},   {0.999, 2, "1"},
    };
    for (const auto& f : formats) {
        const std::string got = FormatNumber(f.value, f.decimals);
        expect(got == f.text, "FormatNumber(" + std::to_string(f.value) + ") gave " + got + ", want " + f.text);
        expect(IsNumberText(got), "formatted " + got + " fails the number test");
    }

    const struct {
        const char* cell;
        bool number;
    } numberTexts[] = {
        {"12", true},     {"0.5", true}, {"-3.25", true}, {"12.50", false}, {"1e3", false},
        {".5", false},    {"007", false}, {"", false},    {"+1", false},     {"-0", false},
        {"S001", false},  {"3.0", false}, {"100", true},  {"Pinus", false},
    };
    for (const auto& n : numberTexts)
        expect(IsNumberText(n.cell) == n.number, std::string("number test on \"") + n.cell + "\"");

    const struct {
        const char* text;
        int columns;
        bool textLabels;
    } layouts[] = {
        {",A,B,C\nx,1,2,3\ny,4,5,6\n", 3, true},
        {",A,B,C\n1,1,2,3\n2,4,5,6\n", 3, false},
        // A first value written 12.50 hides the end of the header: the reader takes the
        // second value for the first label and sees five columns.
        {",A,B,C\nx,12.50,2,3\ny,4,5,6\n", 5, false},
    };
    for (const auto& l : layouts) {
        int columns = 0;
        bool textLabels = false;
        DetectLayout(l.text, columns, textLabels);
        expect(columns == l.columns && textLabels == l.textLabels,
               std::string("layout of ") + l.text + " read as " + std::to_string(columns) + " columns");
    }

    // The real output must pass, and each single corruption of it must be caught.
    const std::string& reference = files[0].text;
    const std::string& climate = files[1].text;
    const std::string& fossil = files[2].text;
    expect(CheckExampleSet(reference, climate, fossil).empty(),
           "generated set rejected: " + CheckExampleSet(reference, climate, fossil));

    auto replaceFirst = [](std::string text, const std::string& from, const std::string& to) {
        const std::size_t at = text.find(from);
        return at == std::string::npos ? std::string("<pattern missing>") : text.replace(at, from.size(), to);
    };
    // Replaces the cell at (line, column), both 0-based, of a table text.
    auto withCell = [](std::string text, int line, int column, const std::string& cell) {
        std::size_t at = 0;
        for (int i = 0; i < line; ++i)
            at = text.find('\n', at) + 1;
        for (int i = 0; i < column; ++i)
            at = text.find(',', at) + 1;
        return text.replace(at, text.find_first_of(",\n", at) - at, cell);
    };
    auto cellAt = [](const std::string& text, int line, int column) {
        std::size_t at = 0;
        for (int i = 0; i < line; ++i)
            at = text.find('\n', at) + 1;
        for (int i = 0; i < column; ++i)
            at = text.find(',', at) + 1;
        return text.substr(at, text.find_first_of(",\n", at) - at);
    };
    const std::string firstValue = cellAt(reference, 1, 1);
    const std::string paddedFirstValue = firstValue + (firstValue.find('.') == std::string::npos ? ".0" : "0");
    const int barrenLine = 1 + (kBarrenDepth - kTopDepth) / kDepthStep;
    std::string fossilDoubleEmpty = fossil;
    for (int k = 1; k <= kTaxonCount; ++k)
        fossilDoubleEmpty = withCell(fossilDoubleEmpty, barrenLine + 1, k, "0");
    const struct {
        const char* what;
        std::string reference, climate, fossil;
    } corrupted[] = {
        {"first value with a trailing zero", withCell(reference, 1, 1, paddedFirstValue), climate, fossil},
        {"CRLF line ends", replaceFirst(reference, "\n", "\r\n"), climate, fossil},
        {"trailing blank line", reference + "\n", climate, fossil},
        {"no final line end", reference.substr(0, reference.size() - 1), climate, fossil},
        {"space in a cell", replaceFirst(reference, ",Picea", ", Picea"), climate, fossil},
        {"renamed fossil taxon", reference, climate, replaceFirst(fossil, ",Picea", ",Picea_abies")},
        {"climate site out of order", reference, replaceFirst(climate, "S002,", "S003,"), fossil},
        {"climate row missing", reference, climate.substr(0, climate.rfind('\n', climate.size() - 2) + 1), fossil},
        {"negative zero", reference, withCell(climate, 1, 1, "-0"), fossil},
        {"second empty fossil sample", reference, climate, fossilDoubleEmpty},
        {"fossil depths out of order", reference, climate, withCell(fossil, 2, 0, "95")},
        {"empty value cell", reference, climate, withCell(fossil, 3, 4, "")},
    };
    for (const auto& c : corrupted)
        expect(!CheckExampleSet(c.reference, c.climate, c.fossil).empty(), std::string("not caught: ") + c.what);

    expect(FirstDifferentLine("a\nb\nc\n", "a\nb\nc\n") == 0, "equal texts reported as different");
    expect(FirstDifferentLine("a\nb\nc\n", "a\nx\nc\n") == 2, "difference on line 2 misplaced");
    expect(FirstDifferentLine("a\nb\n", "a\nb\nc\n") == 3, "missing last line not reported");

    // The generator must not depend on anything but its seed.
    const std::vector<OutputFile> again = Render(MakeExamples());
    for (std::size_t i = 0; i < files.size(); ++i)
        expect(again[i].text == files[i].text, std::string(files[i].name) + " differs between two runs");

    if (failures == 0)
        std::cout << "self-test passed\n";
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv)
{
    using namespace tarvex;
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool needsDir = mode == "--write" || mode == "--check";
    if (!(needsDir && argc == 3) && !(mode == "--self-test" && argc == 2)) {
        std::cerr << "usage: make_examples --write DIR | --check DIR | --self-test\n";
        return 2;
    }

    const std::vector<OutputFile> files = Render(MakeExamples());
    if (mode == "--self-test")
        return SelfTest(files);

    const std::string problem = CheckExampleSet(files[0].text, files[1].text, files[2].text);
    if (!problem.empty()) {
        std::cerr << "make_examples: generated data would not import cleanly: " << problem << "\n";
        return 1;
    }
    return mode == "--write" ? Write(argv[2], files) : Check(argv[2], files);
}
