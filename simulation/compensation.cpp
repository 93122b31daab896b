// Radius compensation: H blocks make the window's choice follow the program; G blocks
// leave it alone.
#include "simulation/compensation.h"

#include "core/block_codes.h"
#include "simulation/block_driver.h"

namespace marloq {

void SetCompensation(TSimulation& sim, int mode) {
  TInterpreterState& s = sim.Core;
  s.CompLeft = mode < 0;
  s.CompRight = mode > 0;
  if (!s.LogEnabled) return;
  if (CodeLetter(s.CurBlock.Code) == 'H') sim.Host->SetComboBox1Index(mode + 1);
  LogMessage(sim, mode < 0 ? "SET Korrektur Links" : mode > 0 ? "SET Korrektur Rechts"
                                                              : "SET Korrektur off");
}

}  // namespace marloq
