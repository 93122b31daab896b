// The interpreter's state: axis and block records, program and block buffers, modal
// and run flags, work values and the view's callbacks. One instance per simulation.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/program_buffer.h"

namespace marloq {

inline constexpr int kBlockTextCapacity = 128;
inline constexpr int kCallStackDepth = 4;
inline constexpr int kStepRingSize = 20;

// Step bits: one byte per unit step of all axes together.
inline constexpr uint8_t kStepXPlus = 1, kStepXMinus = 2, kStepYPlus = 4, kStepYMinus = 8,
                         kStepZPlus = 16, kStepZMinus = 32;
inline constexpr uint8_t kMajorAxisBit = 0x80;  // in TAxis::Dir: this axis steps on every tick

// Move classes: the view counts milling length only for ordinary moves and plunges.
inline constexpr uint8_t kMoveOrdinary = 0, kMovePlunge = 1, kMoveReturnStroke = 2,
                         kMoveRetract = 3;

struct TAxis {
  float Target;    // world units (0.01 mm); set by the motion routines before a stepper runs
  int32_t Pos;     // whole steps; changed by applying step bits
  int32_t Count;   // steps of this axis in the line being stepped
  int32_t Accum;   // Bresenham accumulator; the arc stepper keeps its last coordinate here
  float Aux;       // Z: cycle depth; Y: G86 depth step; X, Y: solver inputs u and v
  float Start;     // position saved at cycle begin; centre of circle-point moves and arcs
  char Letter;     // 'X', 'Y' or 'Z'
  uint8_t Dir;     // step bit for the line being stepped, 0 when idle, | kMajorAxisBit
};

struct TBlockRecord {
  uint16_t Code;    // block code (see block_codes.h)
  int32_t TextPos;  // offset of the block's first character in ProgramText
  float Heading;    // radians: XY direction from the previous end point to this one
  float X, Y, Z;    // end point in world units; modal
};

// A core callback: a routine without arguments or results, bound to its owner.
struct TCallback {
  void (*Fn)(void*) = nullptr;
  void* Context = nullptr;
  void operator()() const {
    if (Fn) Fn(Context);
  }
};

struct TMotionCallbacks {
  TCallback OnArc;          // arc stepper; G85 once per depth pass at full radius
  TCallback OnBlockLoaded;  // per-block hook; may replace BlockText and CurBlock.Code
  TCallback OnLineTo;       // line stepper; whenever new axis targets are set
  TCallback OnDepthPass;    // pen colour for the next pass of G85 and G86
  TCallback OnDrillBottom;  // log line at the bottom of each G84 hole
};

// Length-prefixed text of one block, line feed included, at most 128 characters.
struct TBlockText {
  uint8_t Length;
  uint8_t Chars[kBlockTextCapacity];
  int32_t TextPos;  // where Chars came from in ProgramText; -1 for a text the hook put in
  std::string_view View() const { return {reinterpret_cast<const char*>(Chars), Length}; }
};

// A label line of the program: the first line that starts with N and reads as Label.
struct TLabelLine {
  int32_t Label;
  int32_t TextPos;  // offset of the line in ProgramText
};

// One subprogram call in progress.
struct TCallEntry {
  int32_t RepeatCount;  // runs still to come, the one in progress included
  int32_t ReturnPos;    // offset of the calling L block in ProgramText
};

// Hears of every word a handler reads: where its letter stands in ProgramText, whether
// it had no digits (read as 0) and whether an integer word wrapped past 32 bits. Only
// the program check listens; a DRAW leaves it empty.
struct TWordWatch {
  void (*OnRead)(void* context, int32_t textPos, bool empty, bool wrapped) = nullptr;
  void* Context = nullptr;
};

struct TInterpreterState {
  TAxis AxisX, AxisY, AxisZ;
  TBlockRecord PrevBlock, CurBlock, NextBlock;
  bool WordFound;   // set by every word extraction: the letter was in the block
  int32_t ReadPos;  // offset where the next block read begins; 0 after the end of the text
  TBlockText BlockText;
  // Filtered program, "M02\n\0" at its end; as long as the program. Offsets into it
  // (ReadPos, TextPos, ReturnPos) are 32-bit: programs are limited far below 2 GiB.
  TProgramText ProgramText;
  std::vector<TLabelLine> Labels;  // by label, once LabelsIndexed; built at the first call
  bool LabelsIndexed;
  int32_t CallDepth;                      // 0..4; the top entry is CallStack[CallDepth - 1]
  TCallEntry CallStack[kCallStackDepth];
  uint8_t StepRing[kStepRingSize];  // delay line of the line stepper
  int32_t StepRingFill, StepRingIn, StepRingOut;
  uint8_t MoveClass;  // kMoveOrdinary .. kMoveRetract
  float WorkI, WorkJ;
  float WorkAngle, WorkAngle2;  // radians
  float WorkC, WorkD;
  uint8_t ArcStepBits;
  bool NoIntersection;
  bool RapidMode;     // true after a logged G0 block, false after a logged feed block
  bool ArcClockwise;  // G2 (and G85): true; G3: false
  bool CompLeft, CompRight;
  bool RelativeMode;  // G91 in force
  bool LogEnabled;
  bool SavedNoPause;
  bool StopRequest;   // the user asked to stop; every stepping loop ends
  bool Quiet;         // no status or log output (quick drawing passes)
  bool NoPause;       // false: wait for the user after each line move
  int32_t ToolRadius; // world units; only the low 16 bits are used, unsigned
  float CycleStep;    // radial step of G86, world units
  float WorkRadius;   // world units
  float UnitScale;    // world units per written unit: 100 metric, 2.54 inch
  uint16_t BlockFeed; // mm/min of the last accepted F block
  uint32_t MajorSteps;
  float AngleStep;    // radians per arc step
  TMotionCallbacks Callbacks;
  TWordWatch WordWatch;
};

// The cutter radius in world units: the low 16 bits of ToolRadius, unsigned.
inline float ToolRadiusOf(const TInterpreterState& s) {
  return static_cast<float>(static_cast<uint16_t>(s.ToolRadius));
}

}  // namespace marloq
