// Tool and origin: the window's drill diameter becomes the tool radius at every DRAW
// and at each M06; placeholders take the window's current choices at run time.
#include "simulation/tool_change.h"

#include <cstring>
#include <string_view>

#include "core/block_reader.h"
#include "core/fmath.h"
#include "simulation/block_driver.h"
#include "simulation/compensation.h"
#include "simulation/drawing.h"
#include "simulation/log_line.h"
#include "simulation/system_text.h"

namespace marloq {

namespace {

bool BlockContains(const TBlockText& b, std::string_view what) {
  return b.View().find(what) != std::string_view::npos;
}

void ReplaceBlockText(TBlockText& b, std::string_view text) {
  b.Length = static_cast<uint8_t>(text.size() < kBlockTextCapacity ? text.size() : kBlockTextCapacity);
  std::memcpy(b.Chars, text.data(), b.Length);
  b.TextPos = -1;  // no longer the program's text: its words are not the block's
}

uint16_t HundredthsOf(Extended v) { return static_cast<uint16_t>(RoundHalfEven(v)); }

void SetToolRadius(TSimulation& sim, uint16_t diameter) {
  sim.Core.ToolRadius = diameter >> 1;
  sim.View.CutPenWidth = 2 * sim.Core.ToolRadius;
  sim.View.CutPenThin = false;
}

}  // namespace

float DrillValue(const TSimulation& sim) { return ParseDecimal(sim.Host->DrEditText()); }

void ToolChange(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  // T and D are read in hundredths of a millimetre whatever the unit mode.
  const float savedScale = s.UnitScale;
  s.UnitScale = 100.0f;
  uint16_t d = HundredthsOf(ReadRealWord(s, 'T'));
  if (d == 0) d = HundredthsOf(ReadRealWord(s, 'D'));
  if (d == 0) d = HundredthsOf(Extended(DrillValue(sim)) * 100);
  sim.Host->SetDrEditText(FormatSystem("%1.1Lf", d / 100.0L));
  if (s.LogEnabled)
    AppendLog(sim, TLogLine().Text("Set Drill with :").Real(d / 100.0L, 5, 2).Text(" mm").View());
  s.UnitScale = savedScale;
  SetToolRadius(sim, d);
}

void RewriteBlockPlaceholders(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  if (BlockContains(s.BlockText, "G4?")) {
    static constexpr std::string_view kBySide[3] = {"H41", "H40", "H42"};
    ReplaceBlockText(s.BlockText, kBySide[ComboBox1Choice(sim.Host->ComboBox1Index())]);
    const char letter = static_cast<char>(s.BlockText.Chars[0]);
    s.CurBlock.Code = static_cast<uint16_t>(static_cast<uint8_t>(letter) * 256 +
                                            (ReadIntWord(s, letter) & 0xFF));
  }
  if (BlockContains(s.BlockText, "M06D?") || BlockContains(s.BlockText, "M06T?")) {
    // The word reader knows only the point as decimal mark.
    std::string text = FormatSystem("M06D%1.1Lf", DrillValue(sim));
    if (const size_t comma = text.find(','); comma != std::string::npos) text[comma] = '.';
    ReplaceBlockText(s.BlockText, text);
  }
}

void SetPosition(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  TAxis* const axes[3] = {&s.AxisX, &s.AxisY, &s.AxisZ};
  for (TAxis* a : axes) {
    const int32_t v = FRound(ReadRealWord(s, a->Letter));
    a->Pos = v;
    a->Target = static_cast<float>(v);
  }
  if (!sim.View.FirstCutRecorded) MovePenTo(sim, s.AxisX.Pos, s.AxisY.Pos);
  if (s.LogEnabled)
    AppendLog(sim, TLogLine().Text("Set to:  ").Real(s.AxisX.Target, 6, 0)
                       .Real(s.AxisY.Target, 6, 0).Real(s.AxisZ.Target, 6, 0).View());
}

void SetPositionLookahead(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  s.NextBlock.X = ReadRealWord(s, 'X');
  s.NextBlock.Y = ReadRealWord(s, 'Y');
  s.NextBlock.Z = ReadRealWord(s, 'Z');
  SetPosition(sim);
}

}  // namespace marloq
