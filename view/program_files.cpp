// Program files: bytes map one to one onto the editor's characters (Latin-1), so an
// unedited program is saved back byte for byte apart from its line ends.
#include "view/program_files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <string>
#include <string_view>

#include "view/program_text.h"

namespace marloq {

namespace {
constexpr qint64 kMaxProgramFileBytes = 64LL << 20;  // far beyond any program the buffer holds
}

bool ReadProgramText(const QString& path, QString& text, QString& error) {
  const QFileInfo info(path);
  if (info.isDir()) {
    error = QStringLiteral("Cannot open %1: it is a folder.").arg(path);
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("Cannot open %1: %2.").arg(path, file.errorString());
    return false;
  }
  if (file.size() > kMaxProgramFileBytes) {
    error = QStringLiteral("Cannot open %1: the file is too large for a program.").arg(path);
    return false;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    error = QStringLiteral("Cannot read %1: %2.").arg(path, file.errorString());
    return false;
  }
  // Line ends become the editor's '\n'; every other byte stays as it is, so the lines
  // the editor holds (a final line break making no extra line) are the file's.
  QByteArray normal = bytes;
  normal.replace("\r\n", "\n").replace('\r', '\n');
  text = QString::fromLatin1(normal);
  return true;
}

bool WriteProgramText(const QString& path, const QString& text, QString& error) {
  const QByteArray latin1 = text.toLatin1();
  QByteArray bytes;
  for (const std::string& line : SplitEditorLines(std::string_view(latin1.constData(), latin1.size())))
    bytes.append(line.data(), line.size()).append("\r\n");
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    error = QStringLiteral("Cannot save %1: %2.").arg(path, file.errorString());
    return false;
  }
  return true;
}

}  // namespace marloq
