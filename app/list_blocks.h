// Block listing: the blocks the interpreter reads from a program, with their codes
// and end points, as the command line prints them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace marloq {

// Prints one line per block advance until the closing M02 or maxBlocks lines.
// Returns the number of blocks listed.
long ListBlocks(const std::vector<std::string>& editorLines, long maxBlocks, std::FILE* out);

}  // namespace marloq
