// marloq_fmath_bench: FSin and FCos against their extended-precision reference, one
// call per iteration, on the angles an arc stepper passes: one turn in steps of 2pi/8192.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "core/fmath.h"

namespace marloq::bench {

namespace {

constexpr size_t kAngles = 8192;  // a power of two: the index wraps with a mask

const std::vector<float>& Angles() {
  static const std::vector<float> angles = [] {
    std::vector<float> a(kAngles);
    float angle = 0.0f;
    const float step = kTwoPi / kAngles;  // about 7.7e-4, accumulated as the stepper does
    for (float& v : a) {
      v = angle;
      angle += step;
    }
    return a;
  }();
  return angles;
}

template <float (*Fn)(float)>
void BM_Trig(benchmark::State& state) {
  const std::vector<float>& angles = Angles();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Fn(angles[i]));
    i = (i + 1) & (kAngles - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

// Both per angle, as NextArcStep calls them.
template <float (*Sin)(float), float (*Cos)(float)>
void BM_SinCos(benchmark::State& state) {
  const std::vector<float>& angles = Angles();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Sin(angles[i]));
    benchmark::DoNotOptimize(Cos(angles[i]));
    i = (i + 1) & (kAngles - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Trig<FSin>)->Name("FSin");
BENCHMARK(BM_Trig<FSinExtended>)->Name("FSinExtended");
BENCHMARK(BM_Trig<FCos>)->Name("FCos");
BENCHMARK(BM_Trig<FCosExtended>)->Name("FCosExtended");
BENCHMARK(BM_SinCos<FSin, FCos>)->Name("FSinFCos");
BENCHMARK(BM_SinCos<FSinExtended, FCosExtended>)->Name("FSinFCosExtended");

}  // namespace

}  // namespace marloq::bench

BENCHMARK_MAIN();
