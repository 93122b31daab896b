// Program generator: contours in a 200 x 150 mm field, each a rapid move above the
// work, a plunge, lines and arcs (I/J and R), and a retract. Geometry is kept in world
// units (0.01 mm) so every written coordinate is exact with two decimals.
#include "bench/program_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>

namespace marloq::bench {

namespace {

constexpr int64_t kFieldWidth = 20000, kFieldHeight = 15000;  // world units
constexpr int64_t kMargin = 200;                              // keeps pen discs inside
constexpr int64_t kSafeZ = 200, kCutZ = -100;                 // Z2 and Z-1
constexpr int kNumberStep = 10;                               // N10, N20, ...
constexpr int kSubprogramLabel = 1;                           // no block is numbered 1
constexpr double kPi = std::numbers::pi;
constexpr double kArcSampleLength = 0.98;  // world units of arc between two arc samples
constexpr uint64_t kBodyReserve = 1000;    // stored chars for the main part and one contour

// Contour sizes, tuned so that a block averages about 840 unit steps.
constexpr double kStartInset = 1000, kMaxHop = 3000;     // world units
constexpr int kMinElements = 8, kMaxElements = 16;
constexpr double kMinLine = 420, kMaxLine = 1200;        // world units
constexpr double kMinRadius = 240, kMaxRadius = 840;     // I/J arcs
constexpr double kMinSweep = 0.6, kMaxSweep = 3.6;       // radians
constexpr double kMinChord = 420, kMaxChord = 1200;      // R arcs
constexpr double kMinBulge = 1.05, kMaxBulge = 2.5;      // |R| over half the chord

// std::mt19937 is the same sequence everywhere; the library's distributions are not.
class TRandom {
 public:
  explicit TRandom(uint32_t seed) : engine_(seed) {}
  double Unit() { return engine_() / 4294967296.0; }
  double Between(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Below(int n) { return static_cast<int>(engine_() % static_cast<uint32_t>(n)); }

 private:
  std::mt19937 engine_;
};

struct TPoint {
  int64_t X = 0, Y = 0;
};

int64_t Round(double v) { return static_cast<int64_t>(std::llround(v)); }

bool InField(double x, double y, double reach = 0) {
  return x - reach >= kMargin && x + reach <= kFieldWidth - kMargin && y - reach >= kMargin &&
         y + reach <= kFieldHeight - kMargin;
}

// Unit steps of an arc: every sample moves less than one unit per axis, so each axis
// steps once per unit it travels, and a sample that moves both makes one step of two.
double ArcSteps(double radius, double startAngle, double sweep) {
  constexpr int kSlices = 64;
  double sum = 0;
  for (int k = 0; k < kSlices; ++k) {
    const double a = startAngle + sweep * (k + 0.5) / kSlices;
    const double s = std::abs(std::sin(a)), c = std::abs(std::cos(a));
    sum += s + c - kArcSampleLength * s * c;
  }
  return radius * std::abs(sweep) * sum / kSlices;
}

// Writes numbered blocks and keeps the estimates and the program buffer's fill with them.
class TProgramWriter {
 public:
  std::string Text;
  uint64_t Blocks = 0, StoredChars = 0;
  double Steps = 0, PathLength = 0;  // world units
  int64_t X = 0, Y = 0, Z = 0;       // where the tool stands after the written blocks
  int64_t FirstRapid[3] = {0, 0, 0}; // target of the first rapid move
  bool RapidSeen = false;
  int Number = 0;

  void Comment(const std::string& text) { Text += "; " + text + "\n"; }

  // One block; words separated by blanks, as a person would write them.
  void Block(const std::string& words) {
    Number += kNumberStep;
    Line("N" + std::to_string(Number) + " " + words, true);
  }

  // A label line: no block of its own, a run jumps past it.
  void Label(int label) { Line("N" + std::to_string(label), false); }

  void Rapid(int64_t x, int64_t y, int64_t z) {
    if (!RapidSeen) {
      RapidSeen = true;
      FirstRapid[0] = x;
      FirstRapid[1] = y;
      FirstRapid[2] = z;
    }
    Block("G0 " + Word('X', x) + " " + Word('Y', y) + " " + Word('Z', z));
    MoveStraight(x, y, z);
  }
  void Plunge(int64_t z) {
    Block("G1 " + Word('Z', z));
    MoveStraight(X, Y, z);
  }
  void Retract(int64_t z) {
    Block("G0 " + Word('Z', z));
    MoveStraight(X, Y, z);
  }
  void LineTo(TPoint to) {
    Block("G1 " + Word('X', to.X) + " " + Word('Y', to.Y));
    MoveStraight(to.X, to.Y, Z);
  }
  void ArcByCentre(bool clockwise, TPoint to, int64_t i, int64_t j, double sweep) {
    Block(std::string(clockwise ? "G2 " : "G3 ") + Word('X', to.X) + " " + Word('Y', to.Y) + " " +
          Word('I', i) + " " + Word('J', j));
    MoveArc(to, std::hypot(double(i), double(j)), std::atan2(double(-j), double(-i)), sweep);
  }
  void ArcByRadius(bool clockwise, TPoint to, int64_t r, double startAngle, double sweep) {
    Block(std::string(clockwise ? "G2 " : "G3 ") + Word('X', to.X) + " " + Word('Y', to.Y) + " " +
          Word('R', r));
    MoveArc(to, std::abs(double(r)), startAngle, sweep);
  }

  // Straight-move steps and length from a point to the first rapid move's target.
  double FirstRapidSteps(int64_t x, int64_t y, int64_t z) const {
    return static_cast<double>(std::max({std::llabs(FirstRapid[0] - x), std::llabs(FirstRapid[1] - y),
                                         std::llabs(FirstRapid[2] - z)}));
  }
  double FirstRapidLength(int64_t x, int64_t y, int64_t z) const {
    return std::hypot(double(FirstRapid[0] - x), double(FirstRapid[1] - y), double(FirstRapid[2] - z));
  }

  // A coordinate word in millimetres with at most two decimals: X12.34, I-0.5, Z2.
  static std::string Word(char letter, int64_t worldUnits) {
    std::string w(1, letter);
    if (worldUnits < 0) w += '-';
    const int64_t v = std::llabs(worldUnits);
    w += std::to_string(v / 100);
    const int frac = static_cast<int>(v % 100);
    if (frac != 0) {
      w += '.';
      w += static_cast<char>('0' + frac / 10);
      if (frac % 10 != 0) w += static_cast<char>('0' + frac % 10);
    }
    return w;
  }

 private:
  // Keeps count of what LoadProgramText stores: every character but blanks, and a line
  // feed for a line that stored any.
  void Line(const std::string& line, bool block) {
    const uint64_t before = StoredChars;
    for (const char c : line)
      if (c != ' ') ++StoredChars;
    if (StoredChars > before) ++StoredChars;
    if (block) ++Blocks;
    Text += line;
    Text += '\n';
  }

  // The line stepper makes one step per unit of the axis that moves most.
  void MoveStraight(int64_t x, int64_t y, int64_t z) {
    const int64_t dx = std::llabs(x - X), dy = std::llabs(y - Y), dz = std::llabs(z - Z);
    Steps += static_cast<double>(std::max({dx, dy, dz}));
    PathLength += std::sqrt(double(dx) * dx + double(dy) * dy + double(dz) * dz);
    X = x;
    Y = y;
    Z = z;
  }
  void MoveArc(TPoint to, double radius, double startAngle, double sweep) {
    Steps += ArcSteps(radius, startAngle, sweep);
    PathLength += radius * std::abs(sweep);
    X = to.X;
    Y = to.Y;
  }
};

// Writes contours of exactly `blocks` blocks, the last one cut short to fit; fewer once
// the stored text reaches charBudget.
class TContourMaker {
 public:
  TContourMaker(TProgramWriter& w, TRandom& random) : w_(w), random_(random) {}

  void Contours(uint64_t blocks, uint64_t charBudget) {
    const uint64_t end = w_.Blocks + blocks;
    while (w_.Blocks < end && w_.StoredChars < charBudget) {
      const uint64_t left = end - w_.Blocks;
      if (left < 4) {  // too few for a contour: retracts, which do not move
        w_.Retract(kSafeZ);
        continue;
      }
      uint64_t elements = static_cast<uint64_t>(kMinElements + random_.Below(kMaxElements - kMinElements + 1));
      // A contour always ends with a retract; leave no remainder too short for one.
      if (left - 3 < elements + 4) elements = left - 3;
      Contour(elements);
    }
  }

 private:
  void Contour(uint64_t elements) {
    // The first contour starts anywhere, the others a short hop from the last one's end.
    const bool first = !w_.RapidSeen;
    const auto near = [&](int64_t at, int64_t size) {
      const double lo = kMargin + kStartInset, hi = size - kMargin - kStartInset;
      if (first) return Round(random_.Between(lo, hi));
      return Round(std::clamp(at + random_.Between(-kMaxHop, kMaxHop), lo, hi));
    };
    const TPoint start{near(w_.X, kFieldWidth), near(w_.Y, kFieldHeight)};
    w_.Rapid(start.X, start.Y, kSafeZ);
    w_.Plunge(kCutZ);
    heading_ = random_.Between(0, 2 * kPi);
    for (uint64_t e = 0; e < elements; ++e) {
      const int kind = random_.Below(100);
      const bool done = kind < 45 ? false : kind < 75 ? ArcByCentre() : ArcByRadius();
      if (!done) Line();
    }
    w_.Retract(kSafeZ);
  }

  void Line() {
    const double length = random_.Between(kMinLine, kMaxLine);
    for (int attempt = 0; attempt < 8; ++attempt) {
      const double d = heading_ + random_.Between(-2.0, 2.0);
      const double x = w_.X + length * std::cos(d), y = w_.Y + length * std::sin(d);
      if (InField(x, y)) {
        heading_ = d;
        w_.LineTo({Round(x), Round(y)});
        return;
      }
    }
    // Towards the middle of the field always stays inside it.
    const double d = std::atan2(kFieldHeight / 2.0 - w_.Y, kFieldWidth / 2.0 - w_.X);
    heading_ = d;
    w_.LineTo({Round(w_.X + length * std::cos(d)), Round(w_.Y + length * std::sin(d))});
  }

  // A tangent arc around a centre beside the heading; false when its circle leaves the field.
  bool ArcByCentre() {
    const bool clockwise = random_.Below(2) == 0;
    const double radius = random_.Between(kMinRadius, kMaxRadius);
    const double side = heading_ + (clockwise ? -kPi / 2 : kPi / 2);
    const int64_t i = Round(radius * std::cos(side)), j = Round(radius * std::sin(side));
    const double cx = double(w_.X + i), cy = double(w_.Y + j);
    const double r = std::hypot(double(i), double(j));
    if (!InField(cx, cy, r)) return false;
    const double start = std::atan2(double(-j), double(-i));
    const double sweep = random_.Between(kMinSweep, kMaxSweep) * (clockwise ? -1 : 1);
    const TPoint to{Round(cx + r * std::cos(start + sweep)), Round(cy + r * std::sin(start + sweep))};
    if (to.X == w_.X && to.Y == w_.Y) return false;
    heading_ = start + sweep + (clockwise ? -kPi / 2 : kPi / 2);
    w_.ArcByCentre(clockwise, to, i, j, sweep);
    return true;
  }

  // A short arc by its radius: a positive R puts the centre left of the travel, so a
  // clockwise short arc takes a negative R and a counter-clockwise one a positive R.
  bool ArcByRadius() {
    const bool clockwise = random_.Below(2) == 0;
    const double d = heading_ + random_.Between(-1.2, 1.2);
    const double length = random_.Between(kMinChord, kMaxChord);
    const TPoint to{Round(w_.X + length * std::cos(d)), Round(w_.Y + length * std::sin(d))};
    const double dx = double(to.X - w_.X), dy = double(to.Y - w_.Y);
    const double chord = std::hypot(dx, dy);
    const int64_t radius = std::max(Round(chord / 2 * random_.Between(kMinBulge, kMaxBulge)),
                                    Round(std::ceil(chord / 2)) + 2);
    const double halfSweep = std::asin(chord / 2 / double(radius));
    const double offset = std::sqrt(double(radius) * radius - chord * chord / 4);
    const double normal = std::atan2(dy, dx) + (clockwise ? -kPi / 2 : kPi / 2);
    const double cx = (w_.X + to.X) / 2.0 + offset * std::cos(normal);
    const double cy = (w_.Y + to.Y) / 2.0 + offset * std::sin(normal);
    if (!InField(to.X, to.Y) || !InField(cx, cy, double(radius))) return false;
    const double start = std::atan2(w_.Y - cy, w_.X - cx);
    const double sweep = 2 * halfSweep * (clockwise ? -1 : 1);
    heading_ = start + sweep + (clockwise ? -kPi / 2 : kPi / 2);
    w_.ArcByRadius(clockwise, to, clockwise ? -radius : radius, start, sweep);
    return true;
  }

  TProgramWriter& w_;
  TRandom& random_;
  double heading_ = 0;
};

void WriteHeader(TProgramWriter& w, const TGeneratorOptions& o) {
  w.Comment("Marloq benchmark program: " + std::to_string(o.Blocks) + " blocks, seed " +
            std::to_string(o.Seed) + ", contours in a 200 x 150 mm field");
  w.Block("G90");
  w.Block("G21");
  w.Block("F300");
}

TGeneratedProgram Finish(TProgramWriter& w, uint64_t runBlocks, uint32_t repeats) {
  TGeneratedProgram p;
  w.Text += '\n';  // the editor's last line, which is never part of the program
  p.WrittenBlocks = w.Blocks;
  p.RunBlocks = runBlocks;
  p.StoredChars = w.StoredChars;
  p.Repeats = repeats;
  p.Text = std::move(w.Text);
  return p;
}

TGeneratedProgram Plain(const TGeneratorOptions& o) {
  const uint64_t blocks = std::max<uint64_t>(o.Blocks, 4);
  TRandom random(o.Seed);
  TProgramWriter w;
  WriteHeader(w, o);
  TContourMaker(w, random).Contours(blocks - 4, UINT64_MAX);
  w.Block("M30");
  const double steps = w.Steps, path = w.PathLength;
  TGeneratedProgram p = Finish(w, blocks, 1);
  p.EstimatedSteps = static_cast<uint64_t>(std::llround(steps));
  p.PathMm = path / 100;
  return p;
}

// Main part: header, L1 D<repeats>, M30; then the label line, the body and its M30.
// A run advances 4 + repeats * (body + 2) blocks: each repetition runs the L block again.
TGeneratedProgram Repeated(const TGeneratorOptions& o) {
  const uint64_t wanted = std::max<uint64_t>(o.Blocks, 7);
  const uint64_t budget = kBodyStoredChars - kBodyReserve;
  uint64_t bodyBlocks = wanted - 6;
  uint32_t repeats = 1;
  {
    TRandom random(o.Seed);
    TProgramWriter trial;
    TContourMaker(trial, random).Contours(bodyBlocks, budget);
    if (trial.Blocks < bodyBlocks) {
      const uint64_t room = trial.Blocks;
      repeats = static_cast<uint32_t>((wanted - 4 + room + 1) / (room + 2));
      bodyBlocks = (wanted - 4) / repeats - 2;
    }
  }
  TRandom random(o.Seed);
  TProgramWriter w;
  WriteHeader(w, o);
  w.Block("L" + std::to_string(kSubprogramLabel) + " D" + std::to_string(repeats));
  w.Block("M30");
  w.Label(kSubprogramLabel);
  TContourMaker(w, random).Contours(bodyBlocks, UINT64_MAX);
  w.Block("M30");
  // Later repetitions start the first rapid move from the body's end, not the origin.
  const double steps = w.Steps + (repeats - 1) * (w.Steps - w.FirstRapidSteps(0, 0, 0) +
                                                  w.FirstRapidSteps(w.X, w.Y, w.Z));
  const double path = w.PathLength + (repeats - 1) * (w.PathLength - w.FirstRapidLength(0, 0, 0) +
                                                      w.FirstRapidLength(w.X, w.Y, w.Z));
  TGeneratedProgram p = Finish(w, 4 + uint64_t(repeats) * (bodyBlocks + 2), repeats);
  p.EstimatedSteps = static_cast<uint64_t>(std::llround(steps));
  p.PathMm = path / 100;
  return p;
}

}  // namespace

TGeneratedProgram GenerateProgram(const TGeneratorOptions& options) {
  return options.Layout == TProgramLayout::Repeated ? Repeated(options) : Plain(options);
}

}  // namespace marloq::bench
