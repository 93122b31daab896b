// Block driver: per block, advance, log, show, dispatch, then restore the per-block
// flags; the run ends with M02, M30 at the outermost level, a missing label or STOP.
#include "simulation/block_driver.h"

#include <algorithm>

#include "core/block_codes.h"
#include "core/block_feed.h"
#include "core/block_reader.h"
#include "core/canned_cycles.h"
#include "core/subprograms.h"
#include "simulation/check_pass.h"
#include "simulation/compensation.h"
#include "simulation/drawing.h"
#include "simulation/log_line.h"
#include "simulation/motion_blocks.h"
#include "simulation/tool_change.h"

namespace marloq {

namespace {

constexpr std::string_view kBlockSeparator = "------------------------";

// The editor follows the run to the line of the block about to run; the appended end
// of program keeps the line before it.
void FollowBlock(TSimulation& sim) {
  const int32_t line = EditorLineOf(sim.Trace, sim.Core.CurBlock.TextPos);
  if (line >= 0) sim.Trace.CurrentLine = line;
}

// The feed lines written before every G block's own action.
void LogFeedChange(TSimulation& sim, uint8_t number) {
  TInterpreterState& s = sim.Core;
  if (!s.LogEnabled) return;
  const bool feeding = (number >= 1 && number <= 3) || (number >= 82 && number <= 86);
  if (s.RapidMode && feeding) {
    AppendLog(sim, TLogLine().Text("Set Feed = ").Int(s.BlockFeed).Text(" mm/min").View());
    s.RapidMode = false;
  } else if (!s.RapidMode && number == 0) {
    AppendLog(sim, "Set Feed = 3600 mm/min");
    s.RapidMode = true;
  }
}

// A W block: waits for "NextPos" (or STOP) in either run mode.
void WaitForNextPos(TSimulation& sim) {
  sim.Host->SetFileButtonCaption("NextPos");
  LogMessage(sim, "Wait a tick");
  sim.Run.NextPosRequest = false;
  while (!sim.Core.StopRequest && !sim.Run.NextPosRequest) WaitForPendingMessages(sim);
  sim.Host->SetFileButtonCaption("File");
}

}  // namespace

std::string CycleRefusalText(TCycleRefusal refusal) {
  switch (refusal) {
    case TCycleRefusal::None: break;
    case TCycleRefusal::NoToolRadius: return "the tool radius is 0";
    case TCycleRefusal::NegativeWidth: return "its width Y is below 0";
    case TCycleRefusal::TooManyMoves:
      return std::string(TLogLine().Text("it would make more than ").Int(kMaxCycleMoves).Text(" moves").View());
  }
  return {};
}

namespace {

// A canned cycle; one that refuses to run says why in the log, having moved nothing.
void RunCycle(TSimulation& sim, uint8_t number, TCycleRefusal (*cycle)(TInterpreterState&)) {
  const uint64_t movesBefore = sim.Check ? sim.Check->Moves : 0;
  const TCycleRefusal refusal = cycle(sim.Core);
  if (sim.Check) NoteCycle(sim, number, refusal, movesBefore);
  if (refusal == TCycleRefusal::None) return;
  LogMessage(sim, TLogLine().Text("G").Int(number).Text(" skipped: ").Text(CycleRefusalText(refusal)).View());
}

// False when the number names no action of a G block.
bool DispatchG(TSimulation& sim, uint8_t number) {
  TInterpreterState& s = sim.Core;
  LogFeedChange(sim, number);
  switch (number) {
    case 0:
    case 1: MoveLinear(sim); break;
    case 2: s.ArcClockwise = true; MoveCircular(sim); break;
    case 3: s.ArcClockwise = false; MoveCircular(sim); break;
    case 20:
    case 70: LogMessage(sim, "SET inch"); break;
    case 21:
    case 71: LogMessage(sim, "SET metrisch"); break;
    case 40: SetCompensation(sim, 0); break;
    case 41: SetCompensation(sim, -1); break;
    case 42: SetCompensation(sim, 1); break;
    case 54: SetPosition(sim); break;
    case 60: ResetModes(s); break;
    case 74: ReturnHome(sim); break;
    case 82: RunCycle(sim, number, SlotOutline); break;
    case 83: RunCycle(sim, number, ParallelStrokes); break;
    case 84: RunCycle(sim, number, HolePattern); break;
    case 85: RunCycle(sim, number, CircularPocket); break;
    case 86: RunCycle(sim, number, RectangularPocket); break;
    case 90: LogMessage(sim, "SET absolute Koordinaten"); break;
    case 91: LogMessage(sim, "SET relative Koordinaten"); break;
    default: return false;
  }
  return true;
}

// Runs the current block's action; false when the run ends with this block.
bool DispatchBlock(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  const uint8_t number = CodeNumber(s.CurBlock.Code);
  bool acted = true;  // the code named an action
  switch (CodeLetter(s.CurBlock.Code)) {
    case 'F': SetBlockFeed(s); break;
    case 'G': acted = DispatchG(sim, number); break;
    case 'H':
      if (number == 40) SetCompensation(sim, 0);
      else if (number == 41) SetCompensation(sim, -1);
      else if (number == 42) SetCompensation(sim, 1);
      else acted = false;
      break;
    case 'L': {
      const int32_t label = CallSubprogram(s);
      if (label == 0) {
        LogMessage(sim, "GoSub not found!");
        return false;
      }
      if (sim.Check) WalkCallOnce(sim);
      LogMessage(sim, TLogLine().Text("GoSub L").Int(label).View());
      break;
    }
    case 'M':
      switch (number) {
        case 2: LogMessage(sim, "End of Program."); return false;
        case 3: LogMessage(sim, "Spindel CW"); break;
        case 4: LogMessage(sim, "Spindel CCW"); break;
        case 5: LogMessage(sim, "Spindel Stop"); break;
        case 6: ToolChange(sim); break;
        case 30:
          if (ReturnFromSubprogram(s)) {
            LogMessage(sim, "not Return from GoSub, End of Program.");
            return false;
          }
          LogMessage(sim, "Return from GoSub");
          break;
        default: acted = false; break;
      }
      break;
    case 'N': LogMessage(sim, "Linenumber Gosub"); break;
    case 'S': LogMessage(sim, "Set Speed"); break;
    case 'W': WaitForNextPos(sim); break;
    default: acted = false; break;
  }
  if (!acted && sim.Check) NoteNoEffect(sim);
  return true;
}

// The block text as Label1 shows it: without its line feed. A text put in by the
// per-block hook has none, and keeps its last character.
std::string_view ShownBlockText(const TBlockText& b) {
  std::string_view t = b.View();
  if (!t.empty() && t.back() == '\n') t.remove_suffix(1);
  return t;
}

}  // namespace

std::string LogPathOf(const std::string& programFileName) {
  const size_t slash = programFileName.find_last_of('/');
  const size_t dot = programFileName.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? programFileName.substr(0, dot) : programFileName) + ".LOG";
}

void OpenLog(TSimulation& sim) {
  sim.Log.Create(LogPathOf(sim.Run.ProgramFileName), "Log of:" + sim.Run.ProgramFileName);
}

void AppendLog(TSimulation& sim, std::string_view line) { sim.Log.AppendLine(line); }

void LogMessage(TSimulation& sim, std::string_view text) {
  if (sim.Core.LogEnabled) sim.Log.AppendLine(text);
}

void LogPenPos(TSimulation& sim) {
  AppendLog(sim, TLogLine().Text("PenPos: ").Int(sim.Core.AxisX.Pos, 7).Text(" ")
                     .Int(sim.Core.AxisY.Pos, 5).View());
}

void AppendPosition(TSimulation& sim) {
  const TInterpreterState& s = sim.Core;
  AppendLog(sim, TLogLine().Text("PenPos:  ").Int(s.AxisX.Pos, 6).Int(s.AxisY.Pos, 6)
                     .Int(s.AxisZ.Pos, 6).View());
}

void EndOfElement(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  if (s.Quiet || !s.LogEnabled) return;
  AppendPosition(sim);
  ShowPosition(sim, true);
  if (s.NoPause) return;
  for (bool first = true;; first = false) {
    if (s.StopRequest) return;
    // Once in RUN mode; in STEP mode the loop sleeps until the user acts.
    if (first) ProcessPendingMessages(sim);
    else WaitForPendingMessages(sim);
    if (sim.Run.RunMode || sim.Run.NextPosRequest) {
      sim.Run.NextPosRequest = false;
      return;
    }
  }
}

void RunProgram(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  StartGuardedPass(sim, true);
  while (!s.StopRequest) {
    if (!AdvanceGuarded(sim)) break;
    if (sim.Check) NoteBlockRun(sim);
    sim.Guard.FurthestTextPos = std::max(sim.Guard.FurthestTextPos, s.CurBlock.TextPos);
    if (sim.Trace.Recording) FollowBlock(sim);
    s.StepRingIn = s.StepRingOut = s.StepRingFill = 0;
    const uint8_t letter = CodeLetter(s.CurBlock.Code);
    if (s.LogEnabled && letter >= 'A' && letter <= 'Z') {
      AppendLog(sim, kBlockSeparator);
      AppendLog(sim, s.BlockText.View());
    }
    sim.Host->SetLabel1Text(ShownBlockText(s.BlockText));
    if (!DispatchBlock(sim)) return;
    s.LogEnabled = true;
    s.NoPause = s.SavedNoPause;
    if (s.CurBlock.Code == kG85 || s.CurBlock.Code == kG86) {
      sim.Canvas.SetPenMode(TPenMode::Copy);
      sim.Canvas.SetPenColor(kRed);
    }
    ShowPosition(sim, true);
  }
}

}  // namespace marloq
