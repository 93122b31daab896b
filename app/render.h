// Headless rendering: DRAWs of program files without a window, one or many at once,
// each writing its log and the finished canvas as a PNG picture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "simulation/simulation.h"

namespace marloq {

// 5: the run was drawn, but its log or picture could not be written (whole).
inline constexpr int kExitDone = 0, kExitBadInput = 2, kExitGuard = 3, kExitNotWritten = 5;

// --view ZOOM[,X,Y]: the picture of the fitted view zoomed by Zoom about the world point
// (X, Y) in mm, or about the middle of the picture, as the window's zoom shows it.
struct TRenderView {
  double Zoom = 1;
  bool AtPoint = false;
  double X = 0, Y = 0;
};

struct TRenderOptions {
  std::string ProgramFile;
  std::string ImageFile;      // empty: the program file with the extension .png
  std::string DrillText = "1,0";
  int Compensation = 1;       // ComboBox1 index: 0 "Links", 1 "keine", 2 "Rechts"
  int Width = 700, Height = 511;
  uint64_t MaxBlocks = TRunGuard::kDefaultMaxBlocks;
  uint64_t MaxSteps = TRunGuard::kDefaultMaxSteps;
  std::FILE* Progress = nullptr;  // a terminal for a progress line of a long render, or none
  std::optional<TRenderView> View;
};

// What one render did, kept unprinted so that renders running side by side can be
// reported one after the other.
struct TRenderResult {
  int Status = kExitDone;
  bool Ran = false;                   // the DRAW ran: the fields below hold what it did
  bool GuardTripped = false;
  std::string GuardStop;              // "stopped: more than N steps", when GuardTripped
  TRunSummary Summary;
  std::string MillingLength;          // "milling length N mm", as the window's label
  std::string Tool;                   // "Drill (mm): 3,0  RadiusKorrektur: Rechts"
  std::string Warning;                // "line N: last line not run", or empty; no Status
  uint64_t Findings = 0;              // what marloq --check finds in the program; no Status
  std::string Error;                  // why Status is kExitBadInput or kExitNotWritten
  std::vector<std::string> Messages;  // for standard error, in order, without "marloq: "
};

// One program, options.ProgramFile; prints nothing. Never throws.
TRenderResult RenderOne(const TRenderOptions& options);

// The worse of two exit statuses: bad input, then output not written, then stopped
// by a guard, then done.
int WorseExitStatus(int a, int b);

// "A.CNC: milling length 123 mm, machining time 0:01:07, 57 blocks, 123456 steps, done"
std::string RenderSummaryLine(const std::string& program, const TRenderResult& result);

// Renders the programs with the same options (their ProgramFile and ImageFile aside),
// up to one per core at once, and prints each one's summary line and messages in the
// order given. One program prints as --render FILE always did, to the same image file.
// maxThreads 0: as many as the hardware runs at once. Returns the worst exit status.
int RenderPrograms(const std::vector<std::string>& programs, const TRenderOptions& options,
                   std::FILE* out, std::FILE* err, unsigned maxThreads = 0);

// One program to standard output and error.
int RenderProgram(const TRenderOptions& options);

}  // namespace marloq
