#include "eof/Pretreatment.h"

#include <algorithm>
#include <cmath>

namespace tarvex {

double Enhance(double x, Enhancement mode)
{
    switch (mode) {
        case Enhancement::None:
            return x;
        case Enhancement::SquareRoot:
            return std::sqrt(x);
        case Enhancement::Log:
            if (x == 0) return 0;
            return std::max(0.0, std::log10(100 * x) / 2);
    }
    return x;
}

Matrix<double> ComputeProportions(const Matrix<double>& data, int rows, int cols, bool convert)
{
    Matrix<double> out(rows, cols);
    for (int r = 1; r <= rows; ++r) {
        const double* in = data.row(r);
        double* dst = out.row(r);
        if (!convert) {
            for (int c = 1; c <= cols; ++c) dst[c] = in[c];
            continue;
        }
        double total = 0;
        for (int c = 1; c <= cols; ++c) total += in[c];
        dst[0] = total;
        if (total == 0) continue;
        for (int c = 1; c <= cols; ++c) dst[c] = in[c] / total;
    }
    return out;
}

void PretreatReference(Workspace& ws, const PretreatmentChoice& choice)
{
    ws.useCorrelation = choice.useCorrelation;
    ws.refProportions =
        ComputeProportions(ws.refData, ws.refSiteCount, ws.refTaxonCount, choice.convertToPercent);
    ws.enhancementApplied = choice.enhancement != Enhancement::None;
    if (!ws.enhancementApplied) return;
    for (int s = 1; s <= ws.refSiteCount; ++s)
        for (int t = 1; t <= ws.refTaxonCount; ++t)
            ws.refData(s, t) = Enhance(ws.refProportions(s, t), choice.enhancement);
}

}  // namespace tarvex
