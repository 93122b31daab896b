// Command line: the job and its options, parsed from the arguments without side effects.
#pragma once

#include <string>
#include <vector>

#include "app/render.h"
#include "hid/simulated_controller.h"
#include "transfer/program_transfer.h"

namespace marloq {

enum class TJob { Window, Help, Version, ListBlocks, Render, ListHid, Send, Check };

// The USB link of the window and of --send.
struct TLinkOptions {
  bool Simulated = false;  // a simulated controller instead of the system's devices
  TSimulatedControllerBehaviour Behaviour;
  int AnswerTimeoutMs = kDefaultAnswerTimeoutMs;
};

struct TCommandLine {
  TJob Job = TJob::Window;
  std::string WindowFile;  // the program the window opens with, if any
  std::string SendFile;
  int SendFromLine = 0;  // --resume-line: the index of the first line sent
  std::vector<std::string> RenderFiles;  // --render's programs, in the order given
  std::vector<std::string> CheckFiles;   // --check's programs
  TRenderOptions Render;                 // its ProgramFile: the first of them, or --blocks' program
  TLinkOptions Link;
  long MaxListedBlocks = 1000000;
  std::string Error;  // a clear one-line message when the arguments are bad
};

TCommandLine ParseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace marloq
