// The window's texts as the engine holds them: 8-bit, one byte per character.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace marloq {

inline std::string ToLatin1(const QString& s) {
  const QByteArray b = s.toLatin1();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

inline QString FromLatin1(std::string_view s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace marloq
