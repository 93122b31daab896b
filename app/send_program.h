// Sending without the window: the window's transfer on a host that holds the program
// file's lines and prints what the editor would be given.
#pragma once

#include <cstdio>
#include <string>

namespace marloq {

class THidPlatform;

inline constexpr int kExitNoController = 2, kExitLineFailed = 4;

// Finds the milling controller as the window does and sends FILE's lines from the
// index firstLine on (a resume after "Error HID Line" and that index). Answers go to
// out, "Error HID Line" and other failures to err. Exit status: 0 every line answered,
// 4 a line failed, 2 bad file, no such line or no controller.
int SendProgram(const std::string& file, THidPlatform& platform, int answerTimeoutMs, std::FILE* out,
                std::FILE* err, int firstLine = 0);

}  // namespace marloq
