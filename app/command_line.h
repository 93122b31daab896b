// Command line: the job and its options, parsed from the arguments without side effects.
#pragma once

#include <string>
#include <vector>

#include "app/render.h"

namespace marloq {

enum class TJob { Window, Help, ListBlocks, Render, ListHid };

struct TCommandLine {
  TJob Job = TJob::Window;
  std::string WindowFile;  // the program the window opens with, if any
  TRenderOptions Render;
  long MaxListedBlocks = 1000000;
  std::string Error;  // a clear one-line message when the arguments are bad
};

TCommandLine ParseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace marloq
