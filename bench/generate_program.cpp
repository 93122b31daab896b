// marloq_generate: writes a seeded benchmark program and tells what a run of it costs.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "bench/program_generator.h"

namespace {

constexpr int kExitBadInput = 2;

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: marloq_generate [--blocks N] [--seed S] [--repeated] [FILE.CNC]\n"
               "  --blocks N   blocks a run advances through (default 100000)\n"
               "  --seed S     seed of the contours (default 1)\n"
               "  --repeated   one body of about 130,000 characters, run as a subprogram\n"
               "               until N blocks are reached\n"
               "  FILE.CNC     where to write it (default: standard output)\n");
}

bool ParseCount(const char* text, uint64_t max, uint64_t& value) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || v > max) return false;
  value = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  marloq::bench::TGeneratorOptions o;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    uint64_t v = 0;
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "--repeated") {
      o.Layout = marloq::bench::TProgramLayout::Repeated;
    } else if ((a == "--blocks" || a == "--seed") && i + 1 < argc) {
      const uint64_t max = a == "--blocks" ? 1'000'000'000ULL : 0xFFFFFFFFULL;
      if (!ParseCount(argv[++i], max, v)) {
        std::fprintf(stderr, "marloq_generate: bad number for %s: %s\n", argv[i - 1], argv[i]);
        return kExitBadInput;
      }
      if (a == "--blocks") o.Blocks = v;
      else o.Seed = static_cast<uint32_t>(v);
    } else if (!a.empty() && a[0] != '-' && path.empty()) {
      path = a;
    } else {
      std::fprintf(stderr, "marloq_generate: unknown argument: %s\n", argv[i]);
      Usage(stderr);
      return kExitBadInput;
    }
  }

  const marloq::bench::TGeneratedProgram p = marloq::bench::GenerateProgram(o);
  FILE* out = path.empty() ? stdout : std::fopen(path.c_str(), "wb");
  if (!out) {
    std::fprintf(stderr, "marloq_generate: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
    return kExitBadInput;
  }
  const bool written = std::fwrite(p.Text.data(), 1, p.Text.size(), out) == p.Text.size();
  const bool closed = path.empty() ? std::fflush(out) == 0 : std::fclose(out) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "marloq_generate: cannot write %s: %s\n",
                 path.empty() ? "standard output" : path.c_str(), std::strerror(errno));
    return kExitBadInput;
  }

  std::fprintf(stderr, "%llu block lines, %llu blocks run", static_cast<unsigned long long>(p.WrittenBlocks),
               static_cast<unsigned long long>(p.RunBlocks));
  if (o.Layout == marloq::bench::TProgramLayout::Repeated)
    std::fprintf(stderr, " (the body %u times)", p.Repeats);
  std::fprintf(stderr,
               ", %llu characters stored\n"
               "estimated run: %llu unit steps (0.01 mm), %.0f mm of tool travel\n",
               static_cast<unsigned long long>(p.StoredChars),
               static_cast<unsigned long long>(p.EstimatedSteps), p.PathMm);
  return 0;
}
