// Block listing: reads the program as a run would, block by block, without executing
// anything; subprogram calls are not followed, so every listing ends.
#include "app/list_blocks.h"

#include <memory>

#include "core/block_codes.h"
#include "core/block_reader.h"
#include "simulation/program_text.h"

namespace marloq {

namespace {

std::string CodeName(uint16_t code) {
  const uint8_t letter = CodeLetter(code);
  if (letter < ' ') return "-";
  return std::string(1, static_cast<char>(letter)) + std::to_string(CodeNumber(code));
}

std::string TextOf(const TBlockText& b) {
  std::string t(b.View());
  if (!t.empty() && t.back() == '\n') t.pop_back();
  return t;
}

}  // namespace

long ListBlocks(const std::vector<std::string>& editorLines, long maxBlocks, std::FILE* out) {
  auto s = std::make_unique<TInterpreterState>();
  LoadProgramText(*s, editorLines);
  ResetInterpreter(*s);
  AdvanceBlock(*s);  // the first advance only parses the first block as the lookahead
  long n = 0;
  while (n < maxBlocks) {
    AdvanceBlock(*s);
    const TBlockRecord& b = s->CurBlock;
    std::fprintf(out, "%6ld  %-5s 0x%04X  X%10.2f Y%10.2f Z%10.2f  %s\n", ++n,
                 CodeName(b.Code).c_str(), b.Code, b.X / 100.0, b.Y / 100.0, b.Z / 100.0,
                 TextOf(s->BlockText).c_str());
    if (b.Code == kM2 || s->ReadPos == 0) break;
  }
  return n;
}

}  // namespace marloq
