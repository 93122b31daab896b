// The program check: one short program per kind of finding, found where the table says,
// beside a twin written as this control reads it, which must give nothing at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "simulation/program_check.h"
#include "simulation/program_text.h"

namespace marloq {
namespace {

struct TCheckCase {
  TFindingKind Kind;
  std::string Program;  // file text; the twin below runs as it reads
  int Line, Column;
  std::string Clean;
};

const TCheckCase kCases[] = {
    {TFindingKind::UnreadWord, "G1 X50 Y20 F300\n\n", 1, 12, "F300\nG1 X50 Y20\n\n"},
    {TFindingKind::UnreadWord, "G1 X5 X7 Q5\n\n", 1, 7, "G1 X7\n\n"},
    {TFindingKind::NoEffect, "G7\nM99\n\n", 1, 1, "G1 X7\nM05\n\n"},
    {TFindingKind::NoEffect, "F5000\n\n", 1, 1, "F3000\n\n"},
    {TFindingKind::EmptyNumber, "G1 Y20 X\n\n", 1, 8, "G1 Y20 X0\n\n"},
    {TFindingKind::CutLine, "G1 X1" + std::string(130, '0') + "Y2\n\n", 1, 130, "G1 X1 Y2\n\n"},
    {TFindingKind::Parenthesis, "G1 X10 (YES)\n\n", 1, 8, "G1 X10 ; YES\n\n"},
    {TFindingKind::FeedMove, "G0 X0 Y0\nX10 Y10\n\n", 2, 1, "G0 X0 Y0\nG0 X10 Y10\n\n"},
    {TFindingKind::MissingLabel, "L10\nM02\n\n", 1, 1, "L10\nM02\nN10\nG1 X1\nM30\n\n"},
    {TFindingKind::CallDepth, "L1\nM02\nN1\nL2\nM30\nN2\nL3\nM30\nN3\nL4\nM30\nN4\nL5\nM30\nN5\nG1 X1\nM30\n\n", 13, 1,
     "L1\nM02\nN1\nL2\nM30\nN2\nL3\nM30\nN3\nL4\nM30\nN4\nG1 X1\nM30\n\n"},
    {TFindingKind::ArcEnd, "G1 X0 Y0\nG2 X10 Y0 I3 J0\n\n", 2, 1, "G1 X0 Y0\nG2 X10 Y0 I5 J0\n\n"},
    {TFindingKind::ArcEnd, "G2 X10 Y0\n\n", 1, 1, "G2 X10 Y0 R5\n\n"},
    {TFindingKind::CycleRefused, "M06 D0.01\nG85 R5 Z-1\n\n", 2, 1, "M06 D2\nG85 R5 Z-1\n\n"},
    {TFindingKind::Unreachable, "G1 X1\nM02\nG1 X5\nG1 X6\n\n", 3, 1, "G1 X1\nM02\n\n"},
    {TFindingKind::Unreachable, "L5\nM02\nN5 G1 X99\nM30\n\n", 3, 4, "L5\nM02\nN5\nG1 X99\nM30\n\n"},
    {TFindingKind::WrappedNumber, "L10 D4294967296\nM02\nN10\nM30\n\n", 1, 5, "L10 D1\nM02\nN10\nM30\n\n"},
    {TFindingKind::WrappedNumber, "G257 X5\n\n", 1, 1, "G1 X5\n\n"},
    {TFindingKind::LastLine, "G1 X1\nG1 X2", 2, 1, "G1 X1\nG1 X2\n\n"},
    {TFindingKind::NotText, std::string("G1 X1\n\x01\x02G\0\n\n", 12), 2, 1, "G1 X1\n\n"},
};

std::vector<std::string> Lines(std::string_view text) { return SplitEditorLines(text); }

std::string Described(const TCheckReport& r) {
  std::string s;
  for (const TFinding& f : r.Findings) s += FindingLine("P.CNC", f) + "\n";
  return s;
}

TEST(ProgramCheck, FindsEachKindWhereItIsAndNothingInItsTwin) {
  for (const TCheckCase& c : kCases) {
    SCOPED_TRACE(std::string(KindName(c.Kind)) + ": " + c.Program);
    const TCheckReport found = CheckProgram(Lines(c.Program));
    const bool placed = std::any_of(found.Findings.begin(), found.Findings.end(), [&](const TFinding& f) {
      return f.Kind == c.Kind && f.Line == c.Line && f.Column == c.Column;
    });
    EXPECT_TRUE(placed) << Described(found);
    EXPECT_EQ(Described(CheckProgram(Lines(c.Clean))), "");
  }
}

// What the examples show and the runs the benchmarks time hold nothing to find.
TEST(ProgramCheck, ExamplesAreClean) {
  for (const auto& entry : std::filesystem::directory_iterator(MARLOQ_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".CNC") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(Described(CheckProgram(Lines(bytes.str()))), "") << entry.path();
  }
}

}  // namespace
}  // namespace marloq
