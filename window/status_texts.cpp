// Status texts: numbers with the system's decimal separator, as StaticText1 writes them.
#include "window/status_texts.h"

#include "core/block_codes.h"
#include "simulation/system_text.h"

namespace marloq {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

QString HowTheRunEnded(const TSimulation& sim) {
  if (sim.Guard.Tripped()) return Text(GuardStopText(sim.Guard));
  if (sim.Summary.Stopped) return QStringLiteral("Stopped");
  if (CodeLetter(sim.Summary.LastCode) == 'L') return QStringLiteral("GoSub not found");
  return QStringLiteral("End of program");
}

}  // namespace

QString MousePositionText(const TMousePosition& m) {
  return Text(FormatSystem("X %1.2Lf  Y %1.2Lf mm", m.X, m.Y));
}

QString RunLineText(int32_t editorLine) {
  return editorLine < 0 ? QStringLiteral("Running") : QStringLiteral("Running line %1").arg(editorLine + 1);
}

QString RunEndText(const TSimulation& sim, std::string_view logError) {
  QString text = HowTheRunEnded(sim);
  if (sim.Summary.LastLine >= 0) text += QStringLiteral(" at line %1").arg(sim.Summary.LastLine + 1);
  const TToolMark& t = sim.Summary.Tool;
  text += QStringLiteral(" \u00b7 tool at ") +
          Text(FormatSystem("X %1.2Lf Y %1.2Lf Z %1.2Lf mm", t.X / 100.0L, t.Y / 100.0L, t.Z / 100.0L));
  if (!logError.empty()) text += QStringLiteral(" \u00b7 no log written: ") + Text(std::string(logError));
  return text;
}

}  // namespace marloq
