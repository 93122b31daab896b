// Program entry: parses the command line and runs the chosen job.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/list_blocks.h"
#include "app/program_file.h"
#include "view/program_text.h"

namespace {

constexpr int kExitBadInput = 2;

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: marloq --blocks FILE.CNC [--max-blocks N]\n"
      "  --blocks FILE   list the blocks the interpreter reads, with codes and end points (mm)\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string file;
  long maxBlocks = 1000000;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      PrintUsage(stdout);
      return 0;
    }
    if ((a == "--blocks" || a == "--max-blocks") && i + 1 >= args.size()) {
      std::fprintf(stderr, "marloq: %s needs a value\n", a.c_str());
      return kExitBadInput;
    }
    if (a == "--blocks") {
      file = args[++i];
    } else if (a == "--max-blocks") {
      char* end = nullptr;
      const std::string& v = args[++i];
      maxBlocks = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || maxBlocks <= 0) {
        std::fprintf(stderr, "marloq: --max-blocks takes a positive whole number, not '%s'\n",
                     v.c_str());
        return kExitBadInput;
      }
    } else {
      std::fprintf(stderr, "marloq: unknown argument '%s'\n", a.c_str());
      PrintUsage(stderr);
      return kExitBadInput;
    }
  }
  if (file.empty()) {
    PrintUsage(stderr);
    return kExitBadInput;
  }
  std::string error;
  const auto bytes = marloq::ReadProgramFile(file, error);
  if (!bytes) {
    std::fprintf(stderr, "marloq: %s\n", error.c_str());
    return kExitBadInput;
  }
  marloq::ListBlocks(marloq::SplitEditorLines(*bytes), maxBlocks, stdout);
  return 0;
}
