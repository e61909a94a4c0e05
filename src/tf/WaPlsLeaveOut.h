#pragma once

#include <vector>

#include "app/Matrix.h"
#include "tf/SparseRows.h"

namespace tarvex {
namespace tf {

// WA-PLS estimates of sites from models fitted without them (leave-one-out, h-block), without
// refitting over all sites. The iteration of WA-PLS is a preconditioned conjugate-gradient
// method on the m-dimensional normal equations A b = Y' r0 with A = Y' diag(1/R) Y: the site
// residuals never need forming, since Y' r after a step is Y' r - alpha A d. Leaving a set E
// of sites out changes A by the sum of y_e' y_e / R_e over E, the column sums C on the taxa of
// E, and T, the mean of x and Y' x by as little; so A d is applied as
// A d - sum over E of y_e (y_e . d) / R_e, and a left-out model costs about P m^2 instead of
// P n m. Many left-out models (sites, parameters) run side by side as the columns of one
// block, which shares each product with A.
class WaPlsLeaveOut {
public:
    // The training set is every site of y with a positive total; params lists the columns of
    // climate (site, parameter) the estimates are wanted for.
    WaPlsLeaveOut(const SparseRows& y, const Matrix<double>& climate,
                  const std::vector<int>& params, int components);

    // One left-out model: the estimate of site `site` for params[paramIndex] from the model
    // without the sites of `removed` (ascending; it should contain site).
    struct Column {
        int site = 0;
        int paramIndex = 0;
        const std::vector<int>* removed = nullptr;
    };

    // Columns per block: the width of the products with A.
    static constexpr int kBlock = 32;

    // Estimates of count (<= kBlock) columns with 1..components components into
    // out[col * components + (c - 1)]; NaN where there is none (the site holds nothing the
    // model knows, or the model has fewer components).
    void Run(const Column* columns, int count, double* out) const;

    int Components() const { return components_; }

private:
    const SparseRows& y_;
    SparseRows byTaxon_;
    int m_ = 0;
    int components_ = 0;
    std::vector<double> a_;       // m x m, row-major, taxa from 0
    std::vector<double> colSum_;  // C
    std::vector<int> occurrences_;
    double total_ = 0;  // T
    // Per parameter: the centre the values are taken from (the weighted mean over all sites),
    // Y' x and sum R x of the centred values, and the centred values themselves.
    std::vector<double> centre_;
    std::vector<std::vector<double>> yx_;
    std::vector<double> rx_;
    std::vector<std::vector<double>> x_;
};

}  // namespace tf
}  // namespace tarvex
