#include "calib/CalibData.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>

#include "data/InputFile.h"
#include "data/NumberText.h"
#include "data/TableReader.h"

namespace tarvex::calib {
namespace {

bool IsBlank(const std::string& s)
{
    return s.find_first_not_of(" \t") == std::string::npos;
}

// A value from double data (the reconstruction, the climate table) as a stored pair value:
// anything single precision cannot hold is as good as missing.
float ToPairValue(double v)
{
    if (!std::isfinite(v) || v == -9999.0 || std::fabs(v) > FLT_MAX) return kMissing;
    return static_cast<float>(v);
}

// Reads the line of text that starts at pos into line and moves pos past its end. Lines end
// at CR, LF or CRLF outside quoted cells, so that a quoted heading with a line break stays
// one record. A quote opens a quoted cell only as the cell's first character after spaces
// and tabs, as the cell reader has it; elsewhere it is text. False when no line is left; a
// last line without its line end counts unless it is empty. One line at a time, so a file of
// many short lines never takes more memory than the file itself.
bool NextLine(const std::string& text, std::size_t& pos, std::string& line)
{
    line.clear();
    if (pos >= text.size()) return false;
    bool quoted = false;
    bool cellStart = true;
    for (std::size_t i = pos; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    ++i;
                } else {
                    quoted = false;
                }
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            line.assign(text, pos, i - pos);
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            pos = i + 1;
            return true;
        }
        if (c == ',') {
            cellStart = true;
        } else if (c == '"' && cellStart) {
            quoted = true;
            cellStart = false;
        } else if (c != ' ' && c != '\t') {
            cellStart = false;
        }
    }
    line.assign(text, pos, std::string::npos);
    pos = text.size();
    return true;
}

// The cells of one line; tooLong is set, and the cells read so far returned, when a cell is
// longer than the cell reader takes.
std::vector<std::string> LineCells(const std::string& line, bool& tooLong)
{
    std::vector<std::string> cells;
    CellReader reader(line);
    std::string cell;
    while (reader.ReadCell(cell)) cells.push_back(cell);
    tooLong = reader.CellTooLong();
    if (tooLong) return cells;
    // The reader does not report an empty cell after a final comma; the line still has it.
    std::size_t end = line.find_last_not_of(" \t");
    if (end != std::string::npos && line[end] == ',') cells.push_back("");
    return cells;
}

// "inf", "-Infinity", "nan" and the like: numbers no file of ours holds.
bool SpellsNonFinite(const std::string& cell)
{
    std::size_t i = cell.find_first_not_of(" \t");
    if (i == std::string::npos) return false;
    if (cell[i] == '+' || cell[i] == '-') ++i;
    std::string word;
    for (; i < cell.size() && word.size() < 3; ++i)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(cell[i])));
    return word == "inf" || word == "nan";
}

bool AllFirstValuesEqual(const std::vector<PairRow>& rows)
{
    const PairRow* first = nullptr;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (!rows[i].Complete()) continue;
        if (!first) first = &rows[i];
        if (rows[i].x != first->x) return false;
    }
    return true;
}

void FitAndCheck(int ds, PairSet& set, CalibStatus& status)
{
    set.fit = FitPairs(set.rows);
    set.residualSd = 0;
    if (ds != 1 || set.pairCount <= 1) return;
    float sd = 0;
    std::string error;
    if (!set.fit.valid) {
        status.ok = false;
        status.error = AllFirstValuesEqual(set.rows)
                           ? "The Vest-Vobs data have no fitting line (all first values are equal)."
                           : "The Vest-Vobs data have no fitting line (the values are too large "
                             "to fit in single precision).";
        return;
    }
    if (!ResidualSd(set.rows, set.fit, sd, error)) {
        status.ok = false;
        status.error = error;
        return;
    }
    set.residualSd = sd;
}

constexpr std::size_t kCheckExamples = 3;

// The findings of a pair file's data check as the pollen tables' data check words them.
std::vector<std::string> PairCheckLines(const std::string& path,
                                        const std::vector<std::pair<long, std::string>>& loose,
                                        const std::vector<long>& dropped)
{
    std::vector<std::string> lines;
    if (loose.empty() && dropped.empty()) return lines;
    lines.push_back("The pair file " + path +
                    " was imported as the table format reads it, but some values need a look:");
    if (!loose.empty()) {
        std::string text = std::to_string(loose.size()) +
                           (loose.size() == 1 ? " value cell is" : " value cells are") +
                           " not a number and read as 0 (or as the number it starts with): ";
        for (std::size_t i = 0; i < loose.size() && i < kCheckExamples; ++i)
            text += (i > 0 ? "; " : "") + std::string("line ") + std::to_string(loose[i].first) +
                    ", \"" + loose[i].second + "\"";
        lines.push_back(text + (loose.size() > kCheckExamples ? "; ..." : ""));
    }
    if (!dropped.empty()) {
        std::string text = std::to_string(dropped.size()) +
                           (dropped.size() == 1 ? " line holds" : " lines hold") +
                           " a value beyond the range of single precision and " +
                           (dropped.size() == 1 ? "was" : "were") + " left out: line" +
                           (dropped.size() == 1 ? " " : "s ");
        for (std::size_t i = 0; i < dropped.size() && i < kCheckExamples; ++i)
            text += (i > 0 ? ", " : "") + std::to_string(dropped[i]);
        lines.push_back(text + (dropped.size() > kCheckExamples ? ", ..." : ""));
    }
    return lines;
}

std::string TooManyRowsWarning(long rows)
{
    return "Only the first " + std::to_string(kMaxPairRows) + " of " + std::to_string(rows) +
           " pairs were read.";
}

}  // namespace

RangeStatus ValidateRange(Workspace& ws, const std::string& lowText, const std::string& highText)
{
    const double low = Val(lowText);
    const double high = Val(highText);
    ws.rangeWidth = static_cast<float>(std::fabs(low - high));
    if (IsBlank(lowText) || IsBlank(highText)) return RangeStatus::Incomplete;
    if (!std::isfinite(low) || !std::isfinite(high) || low == high) return RangeStatus::Invalid;
    const double step = (high - low) / 200;
    const double origin = low * 1.125 - high * 0.125;
    const double top = high * 1.125 - low * 0.125;
    if (!std::isfinite(step) || step == 0 || std::fabs(origin) > FLT_MAX ||
        std::fabs(top) > FLT_MAX)
        return RangeStatus::Invalid;
    ws.gridStep = step;
    ws.gridLow = low;
    ws.gridOrigin = static_cast<float>(origin);
    ws.gridTop = static_cast<float>(top);
    return RangeStatus::Valid;
}

int GridIndex(const Workspace& ws, float value)
{
    if (value == kMissing || !std::isfinite(value) || ws.gridStep == 0) return -1;
    const float offset = value - ws.gridOrigin;
    const double pos = static_cast<double>(offset) / ws.gridStep;
    if (!std::isfinite(pos)) return -1;
    const double r = RoundHalfEven(pos);
    if (r < 0 || r > kGridLast) return -1;
    return static_cast<int>(r);
}

PairFit FitPairs(const std::vector<PairRow>& rows)
{
    PairFit fit;
    float sx = 0, sy = 0;
    int c = 0;
    bool xVaries = false, yVaries = false;
    const PairRow* first = nullptr;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const PairRow& r = rows[i];
        if (!r.Complete()) continue;
        if (!first) first = &r;
        xVaries = xVaries || r.x != first->x;
        yVaries = yVaries || r.y != first->y;
        sx += r.x;
        sy += r.y;
        ++c;
    }
    // Equal x values leave no slope; testing them directly also catches the tiny non-zero
    // Sxx that single-precision rounding of the mean can leave behind.
    if (c < 2 || !xVaries) return fit;
    const float mx = sx / static_cast<float>(c);
    const float my = sy / static_cast<float>(c);
    float sxy = 0, sxx = 0, syy = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const PairRow& r = rows[i];
        if (!r.Complete()) continue;
        const float dx = r.x - mx;
        const float dy = r.y - my;
        const float pxy = dx * dy;
        sxy += pxy;
        const float pxx = dx * dx;
        sxx += pxx;
        const float pyy = dy * dy;
        syy += pyy;
    }
    if (!(sxx > 0)) return fit;
    // Values near the single-precision limit overflow the sums (3E+38 and 0 give an infinite
    // Sxx); the slope would come out as nan or a false 0, so such data have no line either.
    if (!std::isfinite(sxx) || !std::isfinite(sxy)) return fit;
    const float slope = sxy / sxx;
    const float mxs = mx * slope;
    const float intercept = my - mxs;
    if (!std::isfinite(slope) || !std::isfinite(intercept)) return fit;
    fit.valid = true;
    fit.slope = slope;
    fit.intercept = intercept;
    if (yVaries) {
        const double z = std::sqrt(static_cast<double>(sxx * syy));
        if (z != 0 && std::isfinite(z)) {
            fit.correlation = static_cast<float>(sxy / z);
            fit.hasCorrelation = true;
        }
    } else {
        fit.slope = 0;
        fit.intercept = my;
    }
    return fit;
}

bool ResidualSd(const std::vector<PairRow>& rows, const PairFit& fit, float& sd, std::string& error)
{
    float sum = 0;
    int n = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const PairRow& r = rows[i];
        if (!r.Complete()) continue;
        const float xs = r.x * fit.slope;
        const float e = r.y - (xs + fit.intercept);
        const float e2 = e * e;
        sum += e2;
        ++n;
    }
    const float var = n > 1 ? sum / static_cast<float>(n - 1) : 0.0f;
    const float result = static_cast<float>(std::sqrt(static_cast<double>(var)));
    if (!std::isfinite(result) || !(result > 0)) {
        error = "The standard deviation of the Vest-Vobs data about their fitting line is " +
                std::string(std::isfinite(result) ? "0" : "not a number") +
                "; no error model can be built from them.";
        return false;
    }
    sd = result;
    return true;
}

std::string FittedLineText(const PairFit& fit)
{
    const double slope = RoundTo(static_cast<double>(fit.slope), 3);
    const double icpt = RoundTo(static_cast<double>(fit.intercept), fit.intercept >= 100 ? 2 : 3);
    return "y = " + FormatNumber(slope) + " x + " + FormatNumber(icpt);
}

std::string StandardDeviationText(float sd)
{
    const double v = sd;
    const int decimals = v < 10 ? 5 : v < 100 ? 4 : v < 1000 ? 3 : v < 10000 ? 2 : 1;
    return FormatNumber(RoundTo(v, decimals));
}

CalibStatus TransferData(const Workspace& ws, PairSet& set)
{
    CalibStatus status;
    if (!ws.calibWindowOpen) return status;
    PairSet next;
    const int p = ws.currentClimateParam;
    const std::string name =
        p >= 0 && p < static_cast<int>(ws.climateParamNames.size()) ? ws.climateParamNames[p] : "";
    next.xName = name + "(Reconstructed)";
    next.yName = name + "(Estimated)";
    next.source = set.source;
    const int sites = ws.refSiteCount;
    const int usable = std::min({sites, kMaxPairRows, UsableRows(ws.siteReconValues, sites),
                                 UsableRows(ws.climateValues, sites)});
    if (sites > kMaxPairRows) status.warnings.push_back(TooManyRowsWarning(sites));
    const bool haveColumn =
        p >= 0 && p <= ws.siteReconValues.cols() && p <= ws.climateValues.cols();
    for (int s = 1; s <= usable && haveColumn; ++s) {
        PairRow r{ToPairValue(ws.siteReconValues(s, p)), ToPairValue(ws.climateValues(s, p))};
        next.rows.push_back(r);
        if (r.Complete()) ++next.pairCount;
    }
    if (next.pairCount > 1) next.fit = FitPairs(next.rows);
    set = std::move(next);
    return status;
}

CalibStatus ImportPairText(const std::string& content, const std::string& source, int ds,
                           PairSet& set)
{
    CalibStatus status;
    if (const std::string why = Utf16Reason(content); !why.empty()) {
        status.ok = false;
        status.error = std::string(kUtf16Message) + "\n" + why;
        return status;
    }
    PairSet next;
    next.source = source;
    std::vector<std::pair<long, std::string>> looseCells;  // (line, cell)
    std::vector<long> droppedLines;
    long dataRecords = 0;
    bool heading = true;
    std::string line;
    std::size_t pos = 0;
    for (std::size_t li = 0; NextLine(content, pos, line); ++li) {
        if (IsBlank(line)) continue;
        bool tooLong = false;
        const std::vector<std::string> cells = LineCells(line, tooLong);
        if (tooLong) {
            status.ok = false;
            status.error = "Cell " + std::to_string(cells.size() + 1) + " on line " +
                           std::to_string(li + 1) + " of the file is longer than " +
                           std::to_string(CellReader::kMaxCellBytes) +
                           " bytes (1 MB), the limit for one cell.";
            return status;
        }
        if (cells.size() != 2) {
            status.ok = false;
            status.error = "Line " + std::to_string(li + 1) + " of the file has " +
                           std::to_string(cells.size()) +
                           " cells; a pair file holds two cells on every line.";
            return status;
        }
        if (heading) {
            next.xName = cells[0];
            next.yName = cells[1];
            heading = false;
            continue;
        }
        ++dataRecords;
        if (dataRecords > kMaxPairRows) continue;
        float v[2];
        bool beyondRange = false;
        for (int k = 0; k < 2; ++k) {
            if (SpellsNonFinite(cells[k])) {
                status.ok = false;
                status.error = "Line " + std::to_string(li + 1) +
                               " of the file holds a value that is not a number (" + cells[k] +
                               ").";
                return status;
            }
            if (IsBlank(cells[k])) {
                v[k] = kMissing;
                continue;
            }
            double d = 0;
            if (!StrictVal(cells[k], d)) {
                d = Val(cells[k]);
                if (std::isfinite(d))
                    looseCells.emplace_back(static_cast<long>(li + 1),
                                            CellTextForMessage(cells[k]));
            }
            v[k] = ToPairValue(d);
            // Only a value that single precision cannot hold is lost here; -9999 is the
            // files' own mark of a missing value.
            if (v[k] == kMissing && d != -9999.0) beyondRange = true;
        }
        if (beyondRange) droppedLines.push_back(static_cast<long>(li + 1));
        PairRow r{v[0], v[1]};
        next.rows.push_back(r);
        if (r.Complete()) ++next.pairCount;
    }
    if (dataRecords > kMaxPairRows) status.warnings.push_back(TooManyRowsWarning(dataRecords));
    if (next.pairCount > 1) FitAndCheck(ds, next, status);
    if (!status.ok) return status;
    status.checks = PairCheckLines(source, looseCells, droppedLines);
    set = std::move(next);
    return status;
}

CalibStatus ImportPairFile(const std::string& path, int ds, PairSet& set, InputDigest* input)
{
    std::string content, reason;
    if (!ReadInputFile(path, content, reason, input)) {
        CalibStatus status;
        status.ok = false;
        status.error = reason;
        return status;
    }
    if (content.size() >= 3 && content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    return ImportPairText(content, path, ds, set);
}

void AllocateCalibMatrices(Workspace& ws)
{
    ws.calibMatrices.assign(9, Matrix<float>());
    for (auto& m : ws.calibMatrices) m.resize(kGridLast, kGridLast);
    ws.modeIndex.assign(kGridLast + 1, 0);
    ws.medianIndex.assign(kGridLast + 1, 0);
    ws.regionLevel.resize(kGridLast, 1);
    ws.matrixOut.resize(200, 200);
}

void ReturnData(Workspace& ws)
{
    if (ws.calibMatrices.size() != 9) return;
    const Matrix<float>& flags = ws.calibMatrices[kRegionFlags];
    const Matrix<float>& prob = ws.calibMatrices[kProbability];
    Matrix<float>& out = ws.calibMatrices[kReturnedMatrix];
    for (int a = 0; a <= kGridLast; ++a)
        for (int b = 0; b <= kGridLast; ++b) out(a, b) = flags(a, b) + prob(a, b);
    ws.calibReturned = true;
}

}  // namespace tarvex::calib
