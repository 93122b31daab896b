// Program generator: seeded contour programs of lines and arcs for the benchmarks and
// for marloq_generate, with an estimate of the unit steps a run of them takes.
#pragma once

#include <cstdint>
#include <string>

namespace marloq::bench {

enum class TProgramLayout {
  // Every block written out: a flat program as long as the block count.
  Plain,
  // One body of about 130,000 stored characters, run as a subprogram (L1 D<repeats>)
  // as often as it takes to reach the block count: a long run of a short program.
  Repeated,
};

struct TGeneratorOptions {
  uint64_t Blocks = 100'000;  // blocks a run advances through, the final M30 included
  uint32_t Seed = 1;
  TProgramLayout Layout = TProgramLayout::Plain;
};

struct TGeneratedProgram {
  std::string Text;             // the file: block lines, then one empty last line
  uint64_t WrittenBlocks = 0;   // block lines in Text
  uint64_t RunBlocks = 0;       // blocks a run of the whole text advances through
  uint64_t StoredChars = 0;     // characters the program buffer needs for Text
  uint32_t Repeats = 1;         // runs of the body (the D word); 1 when Plain
  uint64_t EstimatedSteps = 0;  // unit steps (0.01 mm) of the run pass of the whole text
  double PathMm = 0;            // tool travel of that run, rapid moves included
};

// The repeated layout's body stays within this many stored characters, the program
// buffer's size before it grew with the program, so its numbers stay comparable.
inline constexpr uint64_t kBodyStoredChars = 129'993;

TGeneratedProgram GenerateProgram(const TGeneratorOptions& options);

}  // namespace marloq::bench
