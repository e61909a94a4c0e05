#pragma once

namespace tarvex {
namespace tf {

// Q = A D for a symmetric m x m matrix A (row-major, row i at a + i * m) and an m x w block D
// (row k at d + k * w), w a multiple of 8; Q has D's layout. Each element is one sum over k
// in ascending order, started from zero, a multiplication and an addition per term, so every
// build (vector width, thread) gives the same bits.
void MultiplyBlock(const double* a, int m, const double* d, int w, double* q);

}  // namespace tf
}  // namespace tarvex
