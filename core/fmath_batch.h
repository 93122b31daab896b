// FSin and FCos of many arguments at once, with exactly the results of the routines
// one at a time: the arc stepper evaluates a whole stretch of an arc's angles this way.
#pragma once

namespace marloq {

// sines[i] = FSin(x[i]) and cosines[i] = FCos(x[i]) for i < n.
void FSinCos(const float* x, float* sines, float* cosines, int n);
// The same without vector instructions, as on a processor without AVX2.
void FSinCosWithoutVectors(const float* x, float* sines, float* cosines, int n);

}  // namespace marloq
