// Program files: bytes map one to one onto the editor's characters (Latin-1), so an
// unedited program is saved back byte for byte apart from its line ends.
#include "window/program_files.h"

#include <string>
#include <string_view>

#include "simulation/file_saving.h"
#include "simulation/program_file.h"
#include "simulation/program_text.h"

namespace marloq {

bool ReadProgramText(const QString& path, QString& text, QString& error) {
  std::string reason;
  const auto bytes = ReadProgramFile(path.toStdString(), reason);
  if (!bytes) {
    error = QString::fromStdString(reason);
    return false;
  }
  // Line ends become the editor's '\n'; every other byte stays as it is, so the lines
  // the editor holds (a final line break making no extra line) are the file's.
  QByteArray normal(bytes->data(), static_cast<qsizetype>(bytes->size()));
  normal.replace("\r\n", "\n").replace('\r', '\n');
  text = QString::fromLatin1(normal);
  return true;
}

bool WriteProgramText(const QString& path, const QString& text, QString& error) {
  const QByteArray latin1 = text.toLatin1();
  std::string bytes;
  bytes.reserve(static_cast<size_t>(latin1.size() + latin1.size() / 4 + 2));
  for (const std::string& line : SplitEditorLines(std::string_view(latin1.constData(), latin1.size())))
    bytes.append(line).append("\r\n");
  std::string reason;
  if (SaveFileWhole(path.toStdString(), bytes, reason)) return true;
  error = QString::fromStdString(reason);
  return false;
}

}  // namespace marloq
