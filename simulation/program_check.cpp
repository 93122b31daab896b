// Program check: loads the lines as DRAW does, runs them once through the block driver
// with nothing stepped, drawn or logged, then compares the text with what ran.
#include "simulation/program_check.h"

#include <algorithm>

#include "core/block_reader.h"
#include "simulation/block_driver.h"
#include "simulation/check_findings.h"
#include "simulation/check_pass.h"
#include "simulation/draw_sequence.h"
#include "simulation/headless_host.h"
#include "simulation/program_text.h"

namespace marloq {

namespace {

// Calls are walked once, so a run takes about as many blocks as the program has lines;
// a guard far above that ends a walk that still will not end (nested calls squared).
uint64_t MostCheckedBlocks(size_t lines) { return 8 * static_cast<uint64_t>(lines) + 100'000; }

}  // namespace

std::string_view KindName(TFindingKind kind) {
  static constexpr std::string_view kNames[] = {
      "unread-word", "no-effect", "empty-number", "cut-line",   "parenthesis", "feed-move",     "missing-label",
      "call-depth",  "arc-end",   "cycle-refused", "unreachable", "wrapped-number", "last-line", "not-text"};
  return kNames[static_cast<size_t>(kind)];
}

TCheckReport CheckProgram(TEditorLines lines, const TCheckOptions& options) {
  TSimulation sim;
  THeadlessHost host(sim.Run, 0, 0);
  host.SetDrEditText(options.Drill);
  host.SetComboBox1Index(options.Side);
  sim.Host = &host;
  sim.WritesLog = false;
  TInterpreterState& s = sim.Core;
  LoadProgramText(s, lines, &sim.Trace);
  TProgramCheck check;
  check.Cancel = options.Cancel;
  BindMotionCallbacks(sim);
  ResetInterpreter(s);
  SetUpRunPens(sim);
  StartCheckPass(sim, check);
  s.Quiet = true;
  s.LogEnabled = true;
  s.NoPause = s.SavedNoPause = true;
  sim.Guard.MaxBlocks = MostCheckedBlocks(lines.size());
  RunProgram(sim);
  TCheckReport report;
  report.Cancelled = check.Cancelled;
  report.Complete = !s.StopRequest;
  report.Blocks = std::min(sim.Guard.Blocks, sim.Guard.PassMaxBlocks);
  if (report.Cancelled) return report;
  CollectFindings(lines, sim, check, report);
  std::stable_sort(report.Findings.begin(), report.Findings.end(), [](const TFinding& a, const TFinding& b) {
    return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
  });
  return report;
}

std::string FindingLine(std::string_view file, const TFinding& f) {
  return std::string(file) + ":" + std::to_string(f.Line) + ":" + std::to_string(f.Column) + ": warning: " +
         f.Message + " [" + std::string(KindName(f.Kind)) + "]";
}

std::string FindingsHint(std::string_view file, uint64_t total) {
  if (total == 0) return {};
  return std::to_string(total) + (total == 1 ? " finding" : " findings") + ": marloq --check " + std::string(file);
}

}  // namespace marloq
