// Headless rendering: the headless host stands in for the window; the picture is
// written atomically beside its final name.
#include "app/render.h"

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "view/program_file.h"
#include "view/block_driver.h"
#include "view/compensation.h"
#include "view/draw_sequence.h"
#include "view/headless_host.h"
#include "view/program_text.h"
#include "view/simulation.h"

namespace marloq {

namespace {

constexpr int kExitBadInput = 2, kExitGuard = 3;

std::string WithExtension(const std::string& path, const char* extension) {
  return std::filesystem::path(path).replace_extension(extension).string();
}

// Written beside the target and renamed over it, so a picture is whole or absent.
bool SavePicture(const QImage& image, const std::string& path, std::string& error) {
  const std::string temporary = path + ".part";
  if (!image.save(QString::fromStdString(temporary), "PNG")) {
    std::remove(temporary.c_str());
    error = "cannot write " + path;
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    error = "cannot write " + path + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace

int RenderProgram(const TRenderOptions& o) {
  std::string error;
  const auto bytes = ReadProgramFile(o.ProgramFile, error);
  if (!bytes) {
    std::fprintf(stderr, "marloq: %s\n", error.c_str());
    return kExitBadInput;
  }
  auto sim = std::make_unique<TSimulation>();
  THeadlessHost host(sim->Run, o.Width, o.Height);
  host.SetComboBox1Index(o.Compensation);
  host.SetDrEditText(o.DrillText);
  sim->Host = &host;
  sim->Run.RunMode = true;
  sim->Run.ProgramFileName =
      std::filesystem::absolute(o.ProgramFile).lexically_normal().string();
  sim->Guard.MaxBlocks = o.MaxBlocks;
  sim->Guard.MaxSteps = o.MaxSteps;
  sim->Canvas.Resize(o.Width, o.Height);
  LineButtonClick(*sim, SplitEditorLines(*bytes));

  int status = 0;
  if (!sim->Log.Error().empty())
    std::fprintf(stderr, "marloq: warning: log lost: %s\n", sim->Log.Error().c_str());
  const std::string image = o.ImageFile.empty() ? WithExtension(o.ProgramFile, ".png") : o.ImageFile;
  if (!SavePicture(sim->Canvas.Image(), image, error)) {
    std::fprintf(stderr, "marloq: %s\n", error.c_str());
    status = kExitBadInput;
  }
  std::string length = host.Label1Text();  // DRAW leaves the milling length there
  while (!length.empty() && length.back() == ' ') length.pop_back();
  std::printf("%s\n", length.c_str());
  // What the window would show after the run: M06 and H blocks change it.
  std::printf("Drill (mm): %s  RadiusKorrektur: %s\n", host.DrEditText().c_str(),
              std::string(kComboBox1Items[ComboBox1Choice(host.ComboBox1Index())]).c_str());
  if (sim->Guard.Tripped) {
    std::fprintf(stderr,
                 "marloq: stopped: the program ran past %llu blocks or %llu steps in one pass "
                 "(--max-blocks, --max-steps); log and picture show the run up to there\n",
                 static_cast<unsigned long long>(o.MaxBlocks),
                 static_cast<unsigned long long>(o.MaxSteps));
    return kExitGuard;
  }
  return status;
}

}  // namespace marloq
