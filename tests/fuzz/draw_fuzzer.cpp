// Draw fuzzer: every input is a program that one whole DRAW must survive, without
// undefined behaviour, leaks or a hang, under the guards of the command line.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/fuzz/fuzz_draw.h"

namespace {

// One log per process: parallel fuzzing jobs must not write into each other's log.
const std::string& ProgramFileName() {
  static const std::string name = [] {
    const std::filesystem::path dir = "/tmp/marloq-fuzz";
    std::filesystem::create_directories(dir);
    return (dir / ("prog-" + std::to_string(::getpid()) + ".CNC")).string();
  }();
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  marloq::fuzz::RunFuzzDraw({reinterpret_cast<const char*>(data), size}, ProgramFileName());
  return 0;
}
