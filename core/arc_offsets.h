// The arc stepper's offsets from the centre for evenly spaced angles, exactly as FSin,
// FCos and FRound give them, mostly without evaluating FSin and FCos.
#pragma once

#include <cstdint>

namespace marloq {

// xs[i] = FRound(FCos(a) * r) and ys[i] = FRound(FSin(a) * r), each product rounded to
// a float first, for the n angles a = a0 + i * spacing, every one of them a float
// exactly (as the arc's evenly spaced passes are). For r in (0, 2^29).
void FRoundArcOffsets(float a0, float spacing, float r, int32_t* xs, int32_t* ys, int n);

// The largest distance of FSin (sine) and FCos (cosine) from the true sine and cosine
// of a float in [2^e, 2^(e+1)), e from -14 to 4, rounded up to a power of two; -1 for
// another e. marloq_fmath_exhaustive measures them over every such float.
double FSinErrorBound(int e);
double FCosErrorBound(int e);

}  // namespace marloq
