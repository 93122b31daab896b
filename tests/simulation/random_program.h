// Test helper: seeded random programs that reach every kind of block the run knows,
// with the window settings to draw them under, for comparing two ways of drawing.
#pragma once

#include <cstdint>
#include <string>

namespace marloq::test {

// xorshift64*: the same numbers on every machine, unlike the standard distributions.
class TRandom {
 public:
  explicit TRandom(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
  uint64_t Next() {
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return s_ * 0x2545F4914F6CDD1DULL;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool OneIn(int n) { return Below(n) == 0; }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) { return items[Below(static_cast<int>(N))]; }

 private:
  uint64_t s_;
};

struct TRandomProgram {
  std::string Text;  // editor text; its last line is empty
  std::string Drill = "1,0";
  int Compensation = 1;
  int Width = 700, Height = 511;
  bool RunMode = true;
  bool Trace = false;
  bool Watched = false;  // a host that shows every message point
  uint64_t MaxSteps = 300'000;  // per pass: most programs finish, the absurd ones trip it
};

// A number in millimetres: mostly on a 60 mm field, sometimes tiny, huge or absurd.
inline std::string Coordinate(TRandom& r) {
  static constexpr const char* kOdd[] = {"0", "-0", "0.004", "0.005", "-0.015", "0.5", "-0.5", "300"};
  static constexpr const char* kHuge[] = {"99999", "-123456.78", "1e9", "2147483.647", "1000000"};
  if (r.OneIn(20)) return r.Pick(kOdd);
  if (r.OneIn(150)) return r.Pick(kHuge);
  const int hundredths = r.Below(6001);
  return std::string(r.OneIn(4) ? "-" : "") + std::to_string(hundredths / 100) + "." +
         std::to_string(hundredths % 100 / 10) + std::to_string(hundredths % 10);
}

inline std::string Radius(TRandom& r) {
  static constexpr const char* kRadii[] = {"0.01", "0.3", "0.99", "1", "2.5", "7", "15", "40",
                                           "-5", "-30", "0"};
  return r.OneIn(40) ? "600" : r.Pick(kRadii);
}

inline std::string Block(TRandom& r) {
  const auto xyz = [&](bool z) {
    std::string s = " X" + Coordinate(r) + " Y" + Coordinate(r);
    if (z) s += " Z" + std::string(r.OneIn(2) ? "-1" : r.OneIn(2) ? "2" : "-0.3");
    return s;
  };
  const int kind = r.Below(100);
  if (kind < 30) return (r.OneIn(3) ? "G0" : "G1") + xyz(r.OneIn(3));
  if (kind < 38) return "G1 Z" + std::string(r.OneIn(2) ? "-1" : "2");
  if (kind < 55) {
    std::string arc = r.OneIn(2) ? "G2" : "G3";
    arc += xyz(r.OneIn(5));
    if (r.OneIn(2)) return arc + " R" + Radius(r);
    return arc + " I" + Radius(r) + " J" + (r.OneIn(2) ? "0" : Radius(r));
  }
  static constexpr const char* kOthers[] = {
      "G41", "G42", "G40", "H41", "H42", "H40", "G4?", "M06D?", "M06T?", "M06 D2", "M06 T0.5",
      "M06", "F300", "F60", "F5000", "G90", "G91", "G20", "G21", "G54 X10 Y10", "G74", "M3", "S200",
      "W", "G82 I30 X20 Y8 Z3 D3", "G83 I15 X20 Y10", "G84 I0 J4 Z5 R10", "G85 Z3 D2 J0.5 R12",
      "G86 I30 X30 Y16 Z3 D2", "G85 Z2 D1 J0.3 R0.4", "; a comment", "N7 G1 X1"};
  return r.Pick(kOthers);
}

// Blocks, some of them in a subprogram called with a repeat count.
inline TRandomProgram RandomProgram(uint64_t seed) {
  TRandom r(seed);
  static constexpr const char* kDrills[] = {"1,0", "6", "0,3", "0", "2,5"};
  static constexpr int kSizes[][2] = {{700, 511}, {64, 48}, {300, 200}, {1, 1}};
  TRandomProgram p;
  p.Drill = r.Pick(kDrills);
  p.Compensation = r.Below(3);
  const auto& size = r.Pick(kSizes);
  p.Width = size[0];
  p.Height = size[1];
  p.RunMode = !r.OneIn(4);
  p.Trace = r.OneIn(2);
  p.Watched = r.OneIn(2);
  if (r.OneIn(10)) p.MaxSteps = 1 + r.Next() % 20000;
  const bool subprogram = r.OneIn(3);
  const int blocks = 1 + r.Below(24);
  if (subprogram) p.Text += "L5 D" + std::to_string(1 + r.Below(3)) + "\n";
  for (int i = 0; i < blocks; ++i) p.Text += Block(r) + "\n";
  p.Text += "M30\n";
  if (subprogram) {
    p.Text += "N5\n";
    for (int i = 0; i < 1 + r.Below(6); ++i) p.Text += Block(r) + "\n";
    p.Text += "M30\n";
  }
  p.Text += "\n";
  return p;
}

}  // namespace marloq::test
