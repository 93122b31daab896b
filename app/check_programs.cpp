// Checking programs from the command line: files are read as the window reads them
// and checked one after the other; a file that cannot be read does not stop the rest.
#include "app/check_programs.h"

#include <utility>

#include "simulation/program_check.h"
#include "simulation/program_file.h"
#include "simulation/program_text.h"

namespace marloq {

namespace {

constexpr int kExitBadInput = 2;

std::string Counted(uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int CheckPrograms(const std::vector<std::string>& files, std::FILE* out, std::FILE* err) {
  uint64_t findings = 0;
  size_t checked = 0;
  bool bad = false;
  for (const std::string& file : files) {
    std::string error;
    auto bytes = ReadProgramFile(file, error);
    if (!bytes) {
      std::fprintf(err, "marloq: %s\n", error.c_str());
      bad = true;
      continue;
    }
    const TSplitText split = SplitText(std::move(*bytes));  // the file's bytes, not a string per line
    const TCheckReport report = CheckProgram(split);
    for (const TFinding& f : report.Findings) std::fprintf(out, "%s\n", FindingLine(file, f).c_str());
    if (report.Total > report.Findings.size())
      std::fprintf(out, "%s: %s more not shown\n", file.c_str(),
                   std::to_string(report.Total - report.Findings.size()).c_str());
    if (!report.Complete)
      std::fprintf(out, "%s: the check stopped after %s blocks: what runs after them is not checked\n",
                   file.c_str(), std::to_string(report.Blocks).c_str());
    findings += report.Total;
    ++checked;
  }
  std::fprintf(out, "%s in %s\n", findings == 0 ? "no findings" : Counted(findings, "finding", "findings").c_str(),
               Counted(checked, "program", "programs").c_str());
  if (bad) return kExitBadInput;
  return findings > 0 ? kExitFindings : 0;
}

}  // namespace marloq
