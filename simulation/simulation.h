// One simulation: everything one DRAW touches, bundled so that every routine of the
// engine works on one instance and several simulations can run side by side.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/interpreter_state.h"
#include "simulation/block_trace.h"
#include "simulation/canvas.h"
#include "simulation/log_writer.h"
#include "simulation/simulation_host.h"
#include "simulation/view_state.h"

namespace marloq {

// Guards against programs that never end by themselves (a subprogram loop, a move of
// light years). Counted per pass over the program. A guard that stops the run stops
// the DRAW as if the user had pressed STOP; one that stops a pass before the run (the
// extents, the drawing pass) ends that pass alone, so the run still goes as far as
// the guards let it.
enum class TGuardLimit : uint8_t { None, Blocks, Steps, Drawing };

struct TRunGuard {
  static constexpr uint64_t kDefaultMaxBlocks = 5'000'000;
  static constexpr uint64_t kDefaultMaxSteps = 1'000'000'000;  // 10 km of travel
  // A program that paints the same pixels over and over with a wide pen costs its time
  // in the canvas, not in steps: about 6 s of painting in the run, and a quarter of
  // that in each pass that draws without showing.
  static constexpr uint64_t kDefaultMaxSpans = 800'000'000;
  // Between message points at most this many blocks or steps pass, so that STOP
  // works whatever the program does, in every pass.
  static constexpr uint64_t kBeatBlocks = 256;
  static constexpr uint64_t kBeatSteps = 1 << 13;

  uint64_t MaxBlocks = kDefaultMaxBlocks;  // block advances per pass
  uint64_t MaxSteps = kDefaultMaxSteps;    // unit steps per pass
  uint64_t MaxSpans = kDefaultMaxSpans;    // canvas spans filled per pass, looked at each beat
  uint64_t PassMaxBlocks = kDefaultMaxBlocks, PassMaxSteps = kDefaultMaxSteps;  // what this pass may take
  int Pass = 0;  // passes over the program so far in this DRAW, this one included
  // Where STOP ended a DRAW: the pass and how far it went. A re-draw stops at StopAt
  // to show what the stopped DRAW showed. Pass 0: nowhere.
  struct TStopPoint {
    int Pass = 0;
    uint64_t Blocks = 0, Steps = 0;
  } StoppedAt, StopAt;
  uint64_t SpansAtStart = 0;
  uint64_t Blocks = 0, Steps = 0;          // in this pass
  uint64_t NextBlockCheck = 0, NextStepCheck = 0;  // where the next beat or trip falls
  bool InRun = false;                      // this pass is the run
  bool PassTripped = false;                   // a guard ended this pass
  TGuardLimit TrippedBy = TGuardLimit::None;  // the guard that ended the run, if one did
  bool Tripped() const { return TrippedBy != TGuardLimit::None; }
  int32_t FurthestTextPos = 0;  // the run's furthest block in ProgramText, for its progress
};

// Where the tool is and how large: world units, the radius as the run cuts with it.
struct TToolMark {
  int32_t X = 0, Y = 0;
  float Radius = 0;
  int32_t Z = 0;
};

// What the last DRAW's run did, taken as the run ends (the passes after it add steps).
struct TRunSummary {
  Extended MillingLength = 0;  // world units
  TMachiningTime Time;
  uint64_t Blocks = 0, Steps = 0;
  bool Stopped = false;  // STOP or a guard ended the run early
  TToolMark Tool;        // where the run left the tool
  uint16_t LastCode = 0;  // the code of the block the run ended on (M02, M30 or a failed L call)
  int32_t LastLine = -1;  // its editor line when traced; -1 for the M02 after the program
};

// The drawing pass before the run, kept to be laid over the run again: the pass after
// the run draws the same pixels whenever it starts from the same state, as far as the
// pass reads it. (The window's choices it does not read: the placeholders turn into H
// and M06 blocks, which a pass skips whatever they say.)
struct TPassRecord {
  bool Valid = false;
  bool Recording = false;
  struct TView {
    TCanvasPen Pen;
    float ViewScale;
    int32_t ViewOffsetX, ViewOffsetY;
    int Width, Height;
    bool operator==(const TView&) const = default;
  } View;
  int32_t LastPlotZ = 0;         // at the start
  bool PenRuleReached = false;   // a plot came to the pen's Z rule, first at PenRuleZ
  int32_t PenRuleZ = 0;
  bool ReadFirstCut = false;     // a G54 block asked whether the run had cut yet
  bool FirstCutRecorded = false;
  TCanvasLayer Layer;
  TCanvasPen PenAfter{};
  TWorldPen WorldPenAfter;
  int32_t LastPlotZAfter = 0;
};

struct TDrawRecord;
struct TProgramCheck;

// Aligned to a cache line: two simulations on two threads never share one.
struct alignas(64) TSimulation {
  TInterpreterState Core{};
  TViewState View;
  TRunControl Run;
  TCanvas Canvas;
  TLogWriter Log;
  TRunGuard Guard;
  TRunSummary Summary;
  TBlockTrace Trace;
  TPassRecord PassRecord;
  TSimulationHost* Host = nullptr;
  // A re-draw of a DRAW for another view: the view given here replaces the one that
  // fits the canvas, no log is written, and the DRAW's view decides the hidden plots.
  std::optional<TViewFrame> FixedView;
  bool WritesLog = true;
  THidingView Hiding;
  // Every step through the delay line and PlotStep one by one, as the drawing is
  // defined: the reference the faster ways of stepping are tested against.
  bool StepByStep = false;
  // When nobody watches, the pass before the run may be drawn on a second core while
  // the run goes (PassBesideFits); WentBeside says whether the last DRAW's pass was.
  bool PassBeside = true;
  bool WentBeside = false;
  // A DRAW that records what it paints, for re-drawing other views from it; Record is
  // made anew by every DRAW and read-only once it ends.
  bool RecordsDraw = false;
  std::shared_ptr<TDrawRecord> Record;
  // The program check's quiet run: nothing is stepped, and what each block reads and
  // does is noted here. Null in every DRAW.
  TProgramCheck* Check = nullptr;
};

// Registers the view's routines with the core, bound to this simulation.
void BindMotionCallbacks(TSimulation& sim);

// The run's point of responsiveness: when the host's frame is due, the log goes to
// disk, the window repaints what changed and handles pending input.
void ProcessPendingMessages(TSimulation& sim);
// The same inside a wait for the user, always.
void WaitForPendingMessages(TSimulation& sim);
// The log to disk and the canvas' changes to the host, without processing messages.
void ShowWhatChanged(TSimulation& sim);

// AdvanceBlock under the guard; false (with StopRequest set) once the guard trips.
bool AdvanceGuarded(TSimulation& sim);
// A pass starts: counts from zero, and only a STOP the user pressed carries over.
void StartGuardedPass(TSimulation& sim, bool isRun = false);
// A re-draw's stretch: counts its steps from zero and stops after `most` of them, as
// the DRAW it replays stopped there (UINT64_MAX: it does not stop).
void StartGuardedStretch(TSimulation& sim, uint64_t most);
// Notes where STOP ended this DRAW, once the pass it came in has ended.
void NoteWhereStopped(TSimulation& sim);
// The step counter reached NextStepCheck: trips the guard or passes a message point.
void StepCheckpoint(TSimulation& sim);
// What the window and the command line say when a guard ended the run:
// "stopped: more than N blocks", "… N steps" or "… N spans" (filled on the canvas);
// empty otherwise.
std::string GuardStopText(const TRunGuard& guard);
// STOP, from the window: ends the run and every pass of this DRAW still to come.
void RequestStop(TSimulation& sim);
// The tool where the axes are now.
TToolMark ToolMarkOf(const TInterpreterState& s);

}  // namespace marloq
