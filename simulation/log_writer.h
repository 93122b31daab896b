// Log writer: the .LOG file of one DRAW. Every log line of the engine passes here.
#pragma once

#include <string>
#include <unistd.h>
#include <string_view>

#include "simulation/file_saving.h"

namespace marloq {

class TLogWriter {
 public:
  TLogWriter();
  ~TLogWriter();
  TLogWriter(const TLogWriter&) = delete;
  TLogWriter& operator=(const TLogWriter&) = delete;

  // Creates the file afresh (replacing an old log) with its first line.
  void Create(const std::string& path, std::string_view firstLine);
  void AppendLine(std::string_view text);  // the text and the line end CR LF
  void Flush();                            // hands every gathered line to the OS
  void Close();

  // The first failure of this file, "PATH: reason"; empty while all went well. A
  // failing log never stops a run: the lines are lost, the run goes on, and whoever
  // shows the run reports it.
  const std::string& Error() const { return error_; }
  bool Open() const { return fd_ >= 0; }  // lines go somewhere
  const std::string& Path() const { return path_; }

  // Writes through this call instead of the system's (tests fail it as a full disk).
  void SetWriteCall(TWriteCall write) { write_ = write ? write : ::write; }

 private:
  void Fail(const char* what);
  int fd_ = -1;
  TWriteCall write_ = ::write;
  std::string path_;
  std::string buffer_;
  std::string error_;
};

}  // namespace marloq
