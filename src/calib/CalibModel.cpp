#include "calib/CalibModel.h"

#include <algorithm>
#include <cmath>

#include "app/ParallelFor.h"
#include "app/VectorKernels.h"
#include "calib/CalibRegions.h"
#include "data/NumberText.h"

namespace tarvex::calib {
namespace {

constexpr int kCells = kGridLast + 1;  // 251
constexpr int kLanes = 8;
constexpr int kPadded = 256;  // 251 rounded up to whole vectors of eight floats

typedef float F8 __attribute__((vector_size(32)));
typedef float F8Unaligned __attribute__((vector_size(32), aligned(4), may_alias));

// The running sum of a threshold unit is kept as the decimal text the window holds it in,
// so every partial sum is rounded to 15 significant digits.
double ThroughText(double v)
{
    return Val(FormatNumber(v));
}

void GaussianRow(Workspace& ws, int t, float slope, float intercept, float sigma)
{
    const double k = slope, d = intercept, sd = sigma;
    const double centre = (static_cast<double>(ws.gridOrigin) + ws.gridStep * t) * k + d;
    const double norm = std::sqrt(6.2831853071796) * sd;
    const double twoVar = 2 * (sd * sd);
    float* out = ws.calibMatrices[kErrorModel].row(t);
    for (int s = 0; s < kCells; ++s) {
        const double v = s * ws.gridStep + ws.gridOrigin - centre;
        out[s] = static_cast<float>(std::exp(-(v * v) / twoVar) / norm);
    }
}

// One row of a product: out(j) = sum_v left(v, j) * r(v) for all j at once, eight j to a
// vector; each lane adds its terms in order v = 0, 1, ... exactly as the plain loop does.
TARVEX_CLONED_KERNEL
void ProductRow(const float* leftPadded, const float* r, float* out)
{
    F8 acc[kPadded / kLanes];
    for (auto& a : acc) a = F8{0, 0, 0, 0, 0, 0, 0, 0};
    for (int v = 0; v < kCells; ++v) {
        const float w = r[v];
        const F8 ws8 = F8{w, w, w, w, w, w, w, w};
        const float* lrow = leftPadded + static_cast<std::size_t>(v) * kPadded;
        for (int q = 0; q < kPadded / kLanes; ++q) {
            const F8 term = *reinterpret_cast<const F8Unaligned*>(lrow + q * kLanes) * ws8;
            acc[q] = acc[q] + term;
        }
    }
    float tmp[kPadded];
    for (int q = 0; q < kPadded / kLanes; ++q)
        *reinterpret_cast<F8Unaligned*>(tmp + q * kLanes) = acc[q];
    std::copy(tmp, tmp + kCells, out);
}

void RowSums(const Matrix<float>& m, float* sums, Path path)
{
    // Sum over a of m(a, b) for every b: with a in the outer loop the inner one runs along
    // contiguous memory and every b still gets its terms in order a = 0, 1, ...
    if (path == Path::Plain) {
        for (int b = 0; b < kCells; ++b) {
            float s = 0;
            for (int a = 0; a < kCells; ++a) s += m(a, b);
            sums[b] = s;
        }
        return;
    }
    std::fill(sums, sums + kCells, 0.0f);
    for (int a = 0; a < kCells; ++a) {
        const float* row = m.row(a);
        for (int b = 0; b < kCells; ++b) sums[b] += row[b];
    }
}

}  // namespace

bool GaussianModel(Workspace& ws, float slope, float intercept, float sigma, Path path)
{
    if (!std::isfinite(sigma) || !(sigma > 0) || !std::isfinite(slope) ||
        !std::isfinite(intercept) || ws.gridStep == 0)
        return false;
    if (path == Path::Plain) {
        for (int t = 0; t < kCells; ++t) GaussianRow(ws, t, slope, intercept, sigma);
    } else {
        ParallelFor(kCells, ThreadsFor(60.0 * kCells * kCells),
                    [&](int t) { GaussianRow(ws, t, slope, intercept, sigma); });
    }
    return true;
}

CalibStatus GeneratedModel(Workspace& ws, PairSet& set1, int sdPercent, Path path)
{
    CalibStatus status;
    const float pct = ws.rangeWidth * static_cast<float>(sdPercent);
    const float sd = pct / 100.0f;
    if (!GaussianModel(ws, 1.0f, 0.0f, sd, path)) {
        status.ok = false;
        status.error = "No error model can be generated: the range is not valid.";
        return status;
    }
    set1.fit.valid = true;
    set1.fit.slope = 1;
    set1.fit.intercept = 0;
    set1.residualSd = sd;
    return status;
}

CalibStatus RefitVestVobs(PairSet& set1)
{
    CalibStatus status;
    set1.fit = PairFit{};
    set1.residualSd = 0;
    if (set1.pairCount <= 1) return status;
    set1.fit = FitPairs(set1.rows);
    std::string error;
    float sd = 0;
    if (set1.fit.valid && ResidualSd(set1.rows, set1.fit, sd, error)) {
        set1.residualSd = sd;
    } else {
        status.ok = false;
        status.error = set1.fit.valid ? error : "The Vest-Vobs data have no fitting line.";
    }
    return status;
}

void MultipleMatrix(Workspace& ws, int left, int right, int product, Path path)
{
    const Matrix<float>& L = ws.calibMatrices[left];
    const Matrix<float>& R = ws.calibMatrices[right];
    Matrix<float> P(kGridLast, kGridLast);
    if (path == Path::Plain) {
        for (int i = 0; i < kCells; ++i)
            for (int j = 0; j < kCells; ++j) {
                float sum = 0;
                for (int v = 0; v < kCells; ++v) {
                    const float term = L(v, j) * R(i, v);
                    sum += term;
                }
                P(i, j) = sum;
            }
    } else {
        std::vector<float> padded(static_cast<std::size_t>(kCells) * kPadded, 0.0f);
        for (int v = 0; v < kCells; ++v)
            std::copy(L.row(v), L.row(v) + kCells, padded.data() + std::size_t(v) * kPadded);
        ParallelFor(kCells, ThreadsFor(2.0 * kCells * kCells * kCells),
                    [&](int i) { ProductRow(padded.data(), R.row(i), P.row(i)); });
    }
    ws.calibMatrices[product] = std::move(P);
}

void DescreteModel(Workspace& ws, const PairSet& set0, Path path)
{
    Matrix<float>& disc = ws.calibMatrices[kDiscreteModel];
    disc.fill(0);
    for (std::size_t i = 1; i < set0.rows.size(); ++i) {
        const PairRow& r = set0.rows[i];
        if (!r.Complete()) continue;
        const int ga = GridIndex(ws, r.x);
        const int gb = GridIndex(ws, r.y);
        if (ga >= 0 && gb >= 0) disc(ga, gb) += 1;
    }
    MultipleMatrix(ws, kErrorModel, kDiscreteModel, kJointModel, path);
}

void Smoothing(Workspace& ws, int level, Path path)
{
    Matrix<float>& kernel = ws.calibMatrices[kSmoothingKernel];
    const float h = static_cast<float>(level * 200 / 100) / 2.0f;
    for (int a = 0; a < kCells; ++a)
        for (int v = 0; v < kCells; ++v) {
            const float dist = static_cast<float>(std::abs(a - v));
            kernel(a, v) = dist <= h ? (1.0f - dist / h) * 0.5f : 0.0f;
        }
    MultipleMatrix(ws, kJointModel, kSmoothingKernel, kSmoothedModel, path);
}

ThresholdUnits NormalizeH(Workspace& ws, int verticalThreshold, bool skip, Path path)
{
    const Matrix<float>& kernel = ws.calibMatrices[kSmoothingKernel];
    const Matrix<float>& err = ws.calibMatrices[kErrorModel];
    const Matrix<float>& smooth = ws.calibMatrices[kSmoothedModel];
    Matrix<float>& rowN = ws.calibMatrices[kRowNormalised];

    ThresholdUnits units;
    double kernelSum = 0, errSum = 0;
    float peak = 0;
    for (int a = 0; a < kCells; ++a) kernelSum = ThroughText(kernelSum + kernel(a, 25));
    for (int s = 0; s < kCells; ++s) {
        peak = std::max(peak, err(25, s));
        errSum = ThroughText(errSum + err(25, s));
    }
    units.row = ThroughText(kernelSum * peak);
    units.column = errSum;

    if (skip) {
        rowN = smooth;
        return units;
    }
    float sums[kCells];
    RowSums(smooth, sums, path);
    const float limit = static_cast<float>(units.row * verticalThreshold * 1.05);
    for (int a = 0; a < kCells; ++a)
        for (int b = 0; b < kCells; ++b) {
            const float S = sums[b];
            rowN(a, b) = (S != 0 && S >= limit) ? smooth(a, b) / S : 0.0f;
        }
    return units;
}

void NormalizeV(Workspace& ws, const ThresholdUnits& units, int horizontalThreshold)
{
    const Matrix<float>& rowN = ws.calibMatrices[kRowNormalised];
    const Matrix<float>& smooth = ws.calibMatrices[kSmoothedModel];
    Matrix<float>& prob = ws.calibMatrices[kProbability];
    ws.medianIndex.assign(kCells, 0);
    const float limit = static_cast<float>(units.column * horizontalThreshold * 1.05);
    for (int a = 0; a < kCells; ++a) {
        float s5 = 0, s4 = 0;
        for (int b = 0; b < kCells; ++b) {
            s5 += rowN(a, b);
            s4 += smooth(a, b);
        }
        const bool keep = s5 != 0 && s4 >= limit;
        for (int b = 0; b < kCells; ++b) prob(a, b) = keep ? rowN(a, b) / s5 : 0.0f;

        float total = 0;
        for (int b = 0; b < kCells; ++b) total += prob(a, b);
        if (total == 0) continue;
        // The median is the first row where the running sum passes half the total, and the
        // search stops there: in a column with half its mass above that row, those rows
        // summed afresh in single precision can come out a hair above the half as well.
        const float half = total / 2;
        float c = 0;
        for (int b = 0; b < kCells; ++b) {
            c += prob(a, b);
            if (c > half) {
                ws.medianIndex[a] = static_cast<int16_t>(b);
                break;
            }
        }
        const int m = ws.medianIndex[a];
        if (m > 0) prob(a, m) = -prob(a, m);
    }
}

CalibStatus RunFrom(Workspace& ws, const PairSet& set0, PairSet& set1,
                    const ChainSettings& settings, Stage from, ThresholdUnits& units, Path path,
                    const std::function<void(Stage)>& done)
{
    CalibStatus status;
    if (ws.calibMatrices.size() != 9 || ws.gridStep == 0) {
        status.ok = false;
        status.error = kInvalidRangeMessage;
        return status;
    }
    const auto finished = [&done](Stage s) {
        if (done) done(s);
    };
    if (from == Stage::ErrorModel) {
        if (settings.generateModel) {
            status = GeneratedModel(ws, set1, settings.generatedSdPercent, path);
        } else if (!set1.fit.valid ||
                   !GaussianModel(ws, set1.fit.slope, set1.fit.intercept, set1.residualSd, path)) {
            status.ok = false;
            status.error =
                "The error model needs a fitting line and a positive standard deviation of the "
                "Vest-Vobs data.";
        }
        if (!status.ok) return status;
        finished(Stage::ErrorModel);
    }
    if (from <= Stage::DiscreteModel) {
        DescreteModel(ws, set0, path);
        finished(Stage::DiscreteModel);
    }
    if (from <= Stage::Smoothing) {
        Smoothing(ws, settings.smoothingLevel, path);
        finished(Stage::Smoothing);
    }
    if (from <= Stage::RowNormalisation) {
        units = NormalizeH(ws, settings.verticalThreshold, settings.skipRowNormalisation, path);
        finished(Stage::RowNormalisation);
    }
    if (from <= Stage::ColumnNormalisation) {
        NormalizeV(ws, units, settings.horizontalThreshold);
        finished(Stage::ColumnNormalisation);
    }
    ComputeRegions(ws, settings.coefficient1, settings.coefficient2, ws.colours.greyScaleOnCalib);
    finished(Stage::Regions);
    return status;
}

CalibStatus RunChain(Workspace& ws, const PairSet& set0, PairSet& set1,
                     const ChainSettings& settings, bool errorModelBuilt, Path path)
{
    ThresholdUnits units;
    const Stage from =
        settings.generateModel || !errorModelBuilt ? Stage::ErrorModel : Stage::DiscreteModel;
    return RunFrom(ws, set0, set1, settings, from, units, path);
}

}  // namespace tarvex::calib
