#pragma once

#include <cstddef>
#include <vector>

#include "app/Matrix.h"

namespace tarvex::testing {

// A matrix indexed from 1 with the given rows of values.
inline Matrix<double> Rows(const std::vector<std::vector<double>>& rows)
{
    const int n = static_cast<int>(rows.size());
    const int t = n ? static_cast<int>(rows[0].size()) : 0;
    Matrix<double> m(n, t);
    for (int i = 1; i <= n; ++i)
        for (int u = 1; u <= t; ++u) m(i, u) = rows[i - 1][u - 1];
    return m;
}

// Positions 1..n of a sequence of n samples, indexed from 1.
inline std::vector<float> Numbered(int n)
{
    std::vector<float> p(static_cast<std::size_t>(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i) p[i] = static_cast<float>(i);
    return p;
}

}  // namespace tarvex::testing
