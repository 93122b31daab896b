// Sending without the window: the controller and the transfer live for one transfer;
// the wait for each answer sleeps in the event loop like the window's.
#include "app/send_program.h"

#include <QCoreApplication>

#include "hid/hid_device.h"
#include "hid/hid_device_controller.h"
#include "hid/milling_controller.h"
#include "simulation/program_check.h"
#include "simulation/program_file.h"
#include "simulation/program_text.h"
#include "transfer/program_transfer.h"

namespace marloq {

namespace {

class TSendHost : public TTransferHost {
 public:
  TSendHost(std::vector<std::string> lines, std::FILE* out, std::FILE* err)
      : lines_(std::move(lines)), out_(out), err_(err) {}

  std::vector<std::string> EditorLines() const override { return lines_; }
  void AppendEditorLine(std::string_view text, TAppended kind) override {
    std::FILE* to = kind == TAppended::Answer ? out_ : err_;
    std::fwrite(text.data(), 1, text.size(), to);
    std::fputc('\n', to);
    std::fflush(to);  // a script watching the transfer sees each answer as it comes
  }
  void SetButtonCncEnabled(bool) override {}
  void SetButtonCncCaption(std::string_view) override {}
  void ShowDevListBox(const std::vector<std::string>&, int) override {}
  void ShowTransferProgress(int, int) override {}
  void ShowTransferFailure(std::string_view reason) override {
    std::fprintf(err_, "%.*s\n", static_cast<int>(reason.size()), reason.data());
    std::fflush(err_);
  }
  void WaitForMessages() override {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }

 private:
  std::vector<std::string> lines_;
  std::FILE* out_;
  std::FILE* err_;
};

}  // namespace

int SendProgram(const std::string& file, THidPlatform& platform, int answerTimeoutMs, std::FILE* out,
                std::FILE* err, int firstLine) {
  std::string error;
  const auto bytes = ReadProgramFile(file, error);
  if (!bytes) {
    std::fprintf(err, "marloq: %s\n", error.c_str());
    return kExitNoController;
  }
  std::vector<std::string> lines = SplitEditorLines(*bytes);
  if (const std::string warning = LastLineWarning(lines); !warning.empty())
    std::fprintf(err, "marloq: %s: %s\n", file.c_str(), warning.c_str());
  if (const uint64_t findings = CheckProgram(lines).Total; findings > 0)
    std::fprintf(err, "%s\n", FindingsHint(file, findings).c_str());
  // The last line is never sent, as in the editor.
  const int programLines = static_cast<int>(lines.size()) - 1;
  if (firstLine > 0 && firstLine >= programLines) {
    std::fprintf(err, "marloq: %s has lines 0 to %d to send; there is no line %d to resume at\n", file.c_str(),
                 programLines - 1, firstLine);
    return kExitNoController;
  }
  TSendHost host(std::move(lines), out, err);
  THidDeviceController HID(platform);
  TProgramTransfer transfer(HID, host);
  transfer.SetAnswerTimeoutMs(answerTimeoutMs);
  transfer.BindHandlers();
  HID.Loaded();
  transfer.HID_Open();
  if (transfer.SelectedDevice() == nullptr) {
    std::fprintf(err, "marloq: no milling controller \"%s\" found\n", kControllerProductString);
    return kExitNoController;
  }
  if (!transfer.SelectedDevice()->ReadWriteAccess())
    std::fprintf(err, "marloq: %s cannot be opened for reading and writing; see the README on the udev rule\n",
                 transfer.SelectedDevice()->PnPInfo().DevicePath.c_str());
  const TTransferResult result = transfer.SendFrom(firstLine);
  transfer.HID_Close();
  return result == TTransferResult::Failed ? kExitLineFailed : 0;
}

}  // namespace marloq
