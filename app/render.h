// Headless rendering: one DRAW of a program file without a window, writing the log and
// the finished canvas as a PNG picture.
#pragma once

#include <cstdint>
#include <string>

namespace marloq {

struct TRenderOptions {
  std::string ProgramFile;
  std::string ImageFile;      // empty: the program file with the extension .png
  std::string DrillText = "1,0";
  int Compensation = 1;       // ComboBox1 index: 0 "Links", 1 "keine", 2 "Rechts"
  int Width = 700, Height = 511;
  uint64_t MaxBlocks = 10'000'000;
  uint64_t MaxSteps = 4'000'000'000;
};

// Exit status: 0 done, 2 bad input (message on stderr), 3 stopped by a guard.
int RenderProgram(const TRenderOptions& options);

}  // namespace marloq
