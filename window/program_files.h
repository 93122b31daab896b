// Program files: the editor's text written back as 8-bit text with CR LF line ends,
// atomically, with the reason of any failure as a message (reading: program_file.h).
#pragma once

#include <QString>

namespace marloq {

// The editor's lines, each ended by CR LF. The old file stays intact on failure.
bool WriteProgramText(const QString& path, const QString& text, QString& error);

}  // namespace marloq
