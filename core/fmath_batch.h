// FSin and FCos of many arguments at once, with exactly the results of the routines
// one at a time: the arc stepper evaluates a whole stretch of an arc's angles this way.
#pragma once

#include <cstdint>

namespace marloq {

// The vector instructions a batch may use; the processor decides what it has.
enum class TVectors { None, Avx2, Avx512 };
TVectors BestVectors();

// sines[i] = FSin(x[i]) and cosines[i] = FCos(x[i]) for i < n, with the best vectors.
void FSinCos(const float* x, float* sines, float* cosines, int n);
// The same with the given vectors (for tests), which the processor must have.
void FSinCos(TVectors vectors, const float* x, float* sines, float* cosines, int n);

// out[i] = FRound(v[i] * r), the product rounded to a float first: the arc stepper's
// offsets from the centre. For |v[i] * r| below 2^29.
void FRoundProducts(const float* v, float r, int32_t* out, int n);

// xs[i] = FRound(FCos(angles[i]) * r) and ys[i] = FRound(FSin(angles[i]) * r): the arc
// stepper's offsets from the centre, for r below 2^29.
void FRoundOffsets(const float* angles, float r, int32_t* xs, int32_t* ys, int n);

}  // namespace marloq
