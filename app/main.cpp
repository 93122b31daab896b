// Program entry: parses the command line and runs the chosen job.
#include <QApplication>
#include <QCoreApplication>
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/check_programs.h"
#include "app/command_line.h"
#include "app/list_blocks.h"
#include "app/list_hid.h"
#include "app/render.h"
#include "app/send_program.h"
#include "hid/linux_hid_platform.h"
#include "hid/simulated_controller.h"
#include "simulation/program_file.h"
#include "simulation/program_text.h"
#include "window/main_window.h"

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

// Qt aborts when the window has no display to open on; a platform chosen by name
// (offscreen, for one) needs none.
bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* value = std::getenv(name); value && *value) return true;
  return false;
}

// The system's HID devices, or one simulated controller in their place.
std::unique_ptr<marloq::THidPlatform> LinkPlatform(const marloq::TLinkOptions& link) {
  if (!link.Simulated) return marloq::MakeLinuxHidPlatform();
  auto simulated = std::make_unique<marloq::TSimulatedHidPlatform>();
  marloq::PlugSimulatedController(*simulated, link.Behaviour);
  return simulated;
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
      if (!HasDisplay()) {
        const std::string program = cl.WindowFile.empty() ? "FILE.CNC" : cl.WindowFile;
        std::fprintf(stderr, "marloq: the window needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set);\n"
                             "  without one, draw the program headless: marloq --render %s\n", program.c_str());
        return kExitBadInput;
      }
      QApplication app(argc, argv);
      QApplication::setApplicationDisplayName("Marloq");
      QApplication::setApplicationVersion(MARLOQ_VERSION);
      // The window's memory between starts: ~/.config/marloq/marloq.conf.
      QApplication::setOrganizationName("marloq");
      QApplication::setApplicationName("marloq");
      QSettings settings;
      const auto platform = LinkPlatform(cl.Link);
      marloq::TForm1 form(cl.WindowFile.empty() ? QStringList{"marloq"}
                                                : QStringList{"marloq", QString::fromLocal8Bit(cl.WindowFile.c_str())},
                          platform.get(), &settings);
      if (form.Transfer()) form.Transfer()->SetAnswerTimeoutMs(cl.Link.AnswerTimeoutMs);
      form.show();
      return app.exec();
    }
    case marloq::TJob::Help: std::fputs(marloq::kUsage, stdout); return 0;
    case marloq::TJob::Version: std::puts("marloq " MARLOQ_VERSION); return 0;
    case marloq::TJob::ListBlocks: return ListBlocksOfFile(cl);
    case marloq::TJob::Check: return marloq::CheckPrograms(cl.CheckFiles, stdout, stderr);
    case marloq::TJob::Render: return marloq::RenderPrograms(cl.RenderFiles, cl.Render, stdout, stderr);
    case marloq::TJob::Send: {
      QCoreApplication app(argc, argv);
      const auto platform = LinkPlatform(cl.Link);
      return marloq::SendProgram(cl.SendFile, *platform, cl.Link.AnswerTimeoutMs, stdout, stderr,
                                 cl.SendFromLine);
    }
    case marloq::TJob::ListHid: {
      QCoreApplication app(argc, argv);
      const auto platform = marloq::MakeLinuxHidPlatform();
      marloq::ListHidDevices(*platform, stdout);
      return 0;
    }
  }
  return 0;
}
