// Test helper: an interpreter state loaded with an already filtered program text.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "core/block_reader.h"
#include "core/interpreter_state.h"
#include "core/subprograms.h"

namespace marloq::test {

// Text as the program buffer holds it: upper case, one block per line feed.
inline std::unique_ptr<TInterpreterState> MakeState(std::string_view text) {
  auto s = std::make_unique<TInterpreterState>();
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  s->ProgramText = TProgramText(std::move(bytes));
  IndexLabels(*s);
  ResetInterpreter(*s);
  return s;
}

inline void SetBlockText(TInterpreterState& s, std::string_view text) {
  s.BlockText.Length = static_cast<uint8_t>(text.size());
  std::memcpy(s.BlockText.Chars, text.data(), text.size());
}

inline std::string BlockTextOf(const TInterpreterState& s) { return std::string(s.BlockText.View()); }

// Counts the calls of a core callback.
struct CallCounter {
  int calls = 0;
  TCallback Bind() {
    return {[](void* c) { ++static_cast<CallCounter*>(c)->calls; }, this};
  }
};

}  // namespace marloq::test
