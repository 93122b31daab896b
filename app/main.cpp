// Program entry: parses the command line and runs the chosen job.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/list_blocks.h"
#include "app/list_hid.h"
#include "hid/linux_hid_platform.h"
#include "view/program_file.h"
#include "app/render.h"
#include "view/main_window.h"
#include "view/program_text.h"

namespace {

constexpr int kExitBadInput = 2;

int ListBlocksOfFile(const marloq::TCommandLine& cl) {
  std::string error;
  const auto bytes = marloq::ReadProgramFile(cl.Render.ProgramFile, error);
  if (!bytes) {
    std::fprintf(stderr, "marloq: %s\n", error.c_str());
    return kExitBadInput;
  }
  marloq::ListBlocks(marloq::SplitEditorLines(*bytes), cl.MaxListedBlocks, stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const marloq::TCommandLine cl =
      marloq::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!cl.Error.empty()) {
    std::fprintf(stderr, "marloq: %s\n%s", cl.Error.c_str(), marloq::kUsage);
    return kExitBadInput;
  }
  switch (cl.Job) {
    case marloq::TJob::Window: {
      QApplication app(argc, argv);
      QApplication::setApplicationDisplayName("Marloq");
      marloq::TForm1 form(cl.WindowFile.empty() ? QStringList{"marloq"}
                                                : QStringList{"marloq", QString::fromLocal8Bit(cl.WindowFile.c_str())});
      form.show();
      return app.exec();
    }
    case marloq::TJob::Help: std::fputs(marloq::kUsage, stdout); return 0;
    case marloq::TJob::ListBlocks: return ListBlocksOfFile(cl);
    case marloq::TJob::Render: return marloq::RenderProgram(cl.Render);
    case marloq::TJob::ListHid: {
      QCoreApplication app(argc, argv);
      const auto platform = marloq::MakeLinuxHidPlatform();
      marloq::ListHidDevices(*platform, stdout);
      return 0;
    }
  }
  return 0;
}
