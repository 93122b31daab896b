// Program files: 8-bit text read into the editor and written back with CR LF line
// ends, atomically, with the reason of any failure as a message.
#pragma once

#include <QString>

namespace marloq {

// The file's text with '\n' for its line ends, each byte one character.
bool ReadProgramText(const QString& path, QString& text, QString& error);

// The editor's lines, each ended by CR LF. The old file stays intact on failure.
bool WriteProgramText(const QString& path, const QString& text, QString& error);

}  // namespace marloq
