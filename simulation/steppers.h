// Steppers: every simulated movement runs through the line stepper or the arc stepper,
// and every step reaches the drawing through the 20-entry delay line.
#pragma once

#include <cstdint>

#include "simulation/simulation.h"

namespace marloq {

void LineStepper(TSimulation& sim);   // from the axes' Pos to their rounded Target
void ArcStepper(TSimulation& sim);    // centre in AxisX/AxisY Start, radius WorkRadius
uint8_t NextArcStep(TSimulation& sim);
// The angles of NextArcStep's next passes from WorkAngle, as its float sums give them
// (angles[i] at pass i, angles[n] after the last), and whether each pass ends the arc:
// at most `most` passes, none after the one that ends it. Returns their number. Where
// the angles are evenly spaced, each angles[0] + i * spacing exactly, spacing is that
// step; otherwise 0.
int ArcPassAngles(const TInterpreterState& s, float* angles, bool* ends, int most, float& spacing);
void EmitStep(TSimulation& sim, uint8_t bits);
void FlushSteps(TSimulation& sim);

inline constexpr uint8_t kArcEndMark = 0x80;  // in NextArcStep's bits: the end angle is passed

}  // namespace marloq
