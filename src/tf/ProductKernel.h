#pragma once

namespace tarvex {
namespace tf {

// Q = A D for a symmetric m x m matrix A (row-major, row i at a + i * m) and an m x w block D
// (row k at d + k * w), w a multiple of 8; Q has D's layout. Each element is one sum over k
// in ascending order, started from zero, a multiplication and an addition per term, so every
// build (vector width, thread) gives the same bits.
void MultiplyBlock(const double* a, int m, const double* d, int w, double* q);

// Column-wise steps on m x 32 blocks (row k at k * 32), each column summed over k in
// ascending order like the plain loop:
// out[j] = sum over k of x[k][j] y[k][j].
void ColumnDots(const double* x, const double* y, int m, double* out);
// s -= alpha q; then gamma[j] = sum over k of g^2 c with g = s * inverse, and g stored in g.
void ResidualStep(double* s, const double* q, const double* alpha, const double* inverse,
                  const double* c, int m, double* g, double* gamma);
// d = ratio d + g.
void NextDirection(double* d, const double* g, const double* ratio, int m);

}  // namespace tf
}  // namespace tarvex
