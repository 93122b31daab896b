// Radius compensation: the mode (left, off, right) and its log lines.
#pragma once

#include <string_view>

#include "simulation/simulation.h"

namespace marloq {

// ComboBox1's items, by index: the compensation side the "G4?" placeholder takes.
inline constexpr std::string_view kComboBox1Items[3] = {"Links", "keine", "Rechts"};
// An index a host could report outside the list counts as "keine".
constexpr int ComboBox1Choice(int index) { return index >= 0 && index <= 2 ? index : 1; }

// mode: -1 left (G41, H41), 0 off (G40, H40), +1 right (G42, H42).
void SetCompensation(TSimulation& sim, int mode);

}  // namespace marloq
