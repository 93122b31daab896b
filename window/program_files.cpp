// Program files: the editor's characters map one to one onto bytes (Latin-1), so an
// unedited program is saved back byte for byte apart from its line ends.
#include "window/program_files.h"

#include <string>
#include <string_view>

#include "simulation/file_saving.h"
#include "simulation/program_text.h"

namespace marloq {

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
