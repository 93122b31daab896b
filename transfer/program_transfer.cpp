// Program transfer: the device list mirrored in DevListBox, the claim of every device,
// the line reports and the wait for each answer, which ends on an answer, a stop, the
// controller's removal or the time-out.
#include "transfer/program_transfer.h"

#include <QDeadlineTimer>
#include <QString>
#include <QTimer>
#include <algorithm>

#include "hid/hid_device.h"
#include "hid/hid_device_controller.h"
#include "hid/milling_controller.h"
#include "transfer/latin1_text.h"

namespace marloq {

namespace {

constexpr int kListenPollMs = 5;

bool IsController(THidDevice* device) {
  return QString::fromStdU16String(device->GetProductString()) == QLatin1String(kControllerProductString);
}

// What the editor shows of an answer: its text ends at a NUL, as an edit control's does,
// and a carriage return (firmware often ends lines with CR LF) must not split the line.
std::string EditorLineOf(const std::string& answer) {
  std::string line = answer.substr(0, answer.find('\0'));
  std::erase(line, '\r');
  return line;
}

}  // namespace

std::string TransferLineText(std::string_view line) {
  std::string text(line.substr(0, kMaxLineBytes));
  if (const size_t comment = text.find(';'); comment != std::string::npos) text.erase(comment);
  text += '\n';
  if (text.size() > kMaxLineBytes) text.resize(kMaxLineBytes);
  return text;
}

std::vector<uint8_t> LineReport(std::string_view text, uint16_t reportLength) {
  if (text.empty() || text.size() > kMaxLineBytes || text.size() + 1 > reportLength) return {};
  std::vector<uint8_t> report(reportLength, 0);
  report[0] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), report.begin() + 1);
  return report;
}

std::string LineTooLongText(int index, std::string_view text, uint16_t reportLength) {
  if (text.size() + 1 <= reportLength) return {};
  return "line " + std::to_string(index) + " does not fit one report (" + std::to_string(text.size()) +
         " characters, at most " + std::to_string(std::max(reportLength, uint16_t{1}) - 1) + ")";
}

std::string AnswerTextOf(const uint8_t* data, uint16_t size) {
  std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, kMaxLineBytes));
  if (const size_t lineFeed = text.find('\n'); lineFeed != std::string::npos) text.erase(lineFeed);
  return text;
}

TProgramTransfer::TProgramTransfer(THidDeviceController& hid, TTransferHost& host) : HID(hid), host_(host) {}

TProgramTransfer::~TProgramTransfer() {
  HID.OnArrival = THidPlugEvent();
  HID.OnRemoval = THidPlugEvent();
  HID.OnEnumerate = THidEnumerateEvent();
  HID.SetOnDeviceChange(THidNotifyEvent());
  HID.SetOnDeviceData(THidDataEvent());
  ReleaseListedDevices();
}

void TProgramTransfer::BindHandlers() {
  HID.OnArrival = THidPlugEvent::Of<&TProgramTransfer::HID_Arrival>(this);
  HID.OnRemoval = THidPlugEvent::Of<&TProgramTransfer::HID_Removal>(this);
  HID.OnEnumerate = THidEnumerateEvent::Of<&TProgramTransfer::HID_Enumerate>(this);
}

// The first call makes the controller rescan at once, which lists and claims every
// device; later calls find the same handlers and change nothing.
void TProgramTransfer::HID_Open() {
  HID.SetOnDeviceChange(THidNotifyEvent::Of<&TProgramTransfer::HID_DeviceChange>(this));
  DevListBoxClick(devListSelected_);
  HID.SetOnDeviceData(THidDataEvent::Of<&TProgramTransfer::HID_Read>(this));
}

void TProgramTransfer::HID_Close() {
  stopRequested_ = true;
  HID.SetOnDeviceChange(THidNotifyEvent());
  HID.SetOnDeviceData(THidDataEvent());
  answerReceived_ = false;
  // Its list item lets go of it too, so a later rescan cannot give it back twice.
  for (TDevListItem& item : devListBox_)
    if (item.Device == selectedDevice_) item.Device = nullptr;
  delete selectedDevice_;
  selectedDevice_ = nullptr;
}

void TProgramTransfer::HID_Arrival(THidDevice* HidDev) {
  if (!IsController(HidDev)) return;
  buttonCncEnabled_ = true;
  ShowButtonCnc();
}

void TProgramTransfer::HID_Removal(THidDevice* HidDev) {
  if (transferring_ && HidDev == selectedDevice_) selectedGone_ = true;
  if (!IsController(HidDev)) return;
  buttonCncEnabled_ = false;
  ShowButtonCnc();
}

bool TProgramTransfer::HID_Enumerate(THidDevice* HidDev, int32_t Idx) {
  devListBox_.push_back({ToLatin1(QString::fromStdU16String(HidDev->GetProductString())), nullptr});
  THidDevice* claimed = nullptr;
  HID.ClaimByIndex(Idx, claimed);
  devListBox_.back().Device = claimed;
  return true;
}

void TProgramTransfer::HID_DeviceChange(THidDeviceController*) {
  ReleaseListedDevices();
  devListBox_.clear();
  devListSelected_ = -1;
  HID.Enumerate();
  const auto found = std::find_if(devListBox_.begin(), devListBox_.end(),
                                  [](const TDevListItem& item) { return item.Text == kControllerProductString; });
  if (found != devListBox_.end()) devListSelected_ = static_cast<int>(found - devListBox_.begin());
  ShowDevListBox();
  if (found != devListBox_.end()) DevListBoxClick(devListSelected_);
}

void TProgramTransfer::HID_Read(THidDevice*, uint8_t, const uint8_t* Data, uint16_t Size) {
  answerText_ = AnswerTextOf(Data, Size);
  answerReceived_ = true;
}

void TProgramTransfer::DevListBoxClick(int selected) {
  devListSelected_ = selected;
  if (selected < 0 || selected >= static_cast<int>(devListBox_.size())) return;
  const TDevListItem& item = devListBox_[static_cast<size_t>(selected)];
  if (item.Text == kControllerProductString) selectedDevice_ = item.Device;
}

uint16_t TProgramTransfer::HID_Write(std::string_view line) {
  if (selectedDevice_ == nullptr) return 1;
  const std::vector<uint8_t> report = LineReport(line, selectedDevice_->GetCapabilities().OutputReportByteLength);
  if (report.empty()) return 1;
  uint32_t written = 0;
  const auto size = static_cast<uint32_t>(report.size());
  // A report that went out only in part is as good as lost.
  if (!selectedDevice_->WriteReport(report.data(), size, written) || written != size) return 1;
  answerReceived_ = false;
  return 0;
}

TTransferResult TProgramTransfer::Button_CNCClick() { return SendFrom(0); }

TTransferResult TProgramTransfer::SendFrom(int firstLine) {
  if (!transferring_) lines_ = host_.EditorLines();
  return Start(firstLine);
}

TTransferResult TProgramTransfer::Resume() {
  if (!transferring_ && resumeLine_ < 0) return TTransferResult::NothingSent;
  return Start(resumeLine_);
}

void TProgramTransfer::ForgetResume() {
  if (transferring_ || resumeLine_ < 0) return;
  resumeLine_ = -1;
  lines_.clear();
  host_.SetButtonCncCaption(IdleCaption());
}

TTransferResult TProgramTransfer::Start(int firstLine) {
  if (transferring_) {
    // One transfer at a time: during one the button stops it.
    stopRequested_ = true;
    return TTransferResult::NothingSent;
  }
  transferring_ = true;
  stopRequested_ = false;
  selectedGone_ = false;
  host_.SetButtonCncCaption("STOP CNC");
  ShowButtonCnc();
  failure_.clear();
  const TTransferResult result = Transfer(std::max(firstLine, 0));
  transferring_ = false;
  if (result != TTransferResult::Failed) {
    resumeLine_ = -1;
    lines_.clear();
  }
  host_.SetButtonCncCaption(IdleCaption());
  host_.ShowTransferProgress(0, 0);
  if (!failure_.empty()) host_.ShowTransferFailure(failure_);
  ShowButtonCnc();
  return result;
}

// Lines firstLine to count - 2: the editor's last line is never part of the program.
// A failed line is kept as the place to resume from.
TTransferResult TProgramTransfer::Transfer(int firstLine) {
  const int count = static_cast<int>(lines_.size());
  for (int i = firstLine; i + 1 < count; ++i) {
    host_.ShowTransferProgress(i + 1, count - 1);
    WaitUntilListening();
    const std::string text = TransferLineText(lines_[static_cast<size_t>(i)]);
    const bool sent = !stopRequested_ && HID_Write(text) == 0;
    if (!sent || WaitForAnswer() != TWaitEnd::Answered) {
      resumeLine_ = i;
      host_.AppendEditorLine("Error HID Line" + std::to_string(i), TTransferHost::TAppended::Error);
      // A time-out, a stop or a lost device explain themselves; a line too long does not.
      if (!sent && selectedDevice_ != nullptr)
        failure_ = LineTooLongText(i, text, selectedDevice_->GetCapabilities().OutputReportByteLength);
      return TTransferResult::Failed;
    }
    host_.AppendEditorLine(EditorLineOf(answerText_), TTransferHost::TAppended::Answer);
  }
  if (count < 2 || firstLine + 1 >= count) return TTransferResult::NothingSent;
  HID_Write("\n");
  return TTransferResult::Completed;
}

TProgramTransfer::TWaitEnd TProgramTransfer::WaitForAnswer() {
  const QDeadlineTimer deadline(answerTimeoutMs_, Qt::PreciseTimer);
  QTimer wake;  // its expiry wakes the message wait at the deadline
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  while (!answerReceived_) {
    if (stopRequested_) return TWaitEnd::Stopped;
    if (selectedGone_ || selectedDevice_ == nullptr) return TWaitEnd::DeviceGone;
    if (deadline.hasExpired()) return TWaitEnd::TimedOut;
    // Armed afresh each time: a timer may fire a little early, the deadline not.
    wake.start(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
    host_.WaitForMessages();
  }
  return TWaitEnd::Answered;
}

// Input reports reach a reading thread only once its handle is open; an answer that
// came before would be lost. Usually the thread is long ready.
void TProgramTransfer::WaitUntilListening() {
  const QDeadlineTimer deadline(answerTimeoutMs_);
  QTimer poll;
  poll.start(kListenPollMs);
  while (selectedDevice_ != nullptr && selectedDevice_->HasReadThread() && !selectedDevice_->Listening() &&
         !stopRequested_ && !selectedGone_ && !deadline.hasExpired())
    host_.WaitForMessages();
}

void TProgramTransfer::ReleaseListedDevices() {
  // SelectedDevice is one of them.
  for (TDevListItem& item : devListBox_) {
    delete item.Device;
    item.Device = nullptr;
  }
  selectedDevice_ = nullptr;
}

void TProgramTransfer::ShowButtonCnc() { host_.SetButtonCncEnabled(buttonCncEnabled_ || transferring_); }

void TProgramTransfer::ShowDevListBox() {
  std::vector<std::string> texts;
  texts.reserve(devListBox_.size());
  for (const TDevListItem& item : devListBox_) texts.push_back(item.Text);
  host_.ShowDevListBox(texts, devListSelected_);
}

}  // namespace marloq
