// Program transfer: the window's USB handlers, which find the milling controller among
// the HID devices and send it the editor's program line by line, stop-and-wait.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hid/hid_event.h"

namespace marloq {

class THidDevice;
class THidDeviceController;

inline constexpr size_t kMaxLineBytes = 255;
inline constexpr int kDefaultAnswerTimeoutMs = 10000;

// The line as it goes out: cut to 255 bytes, its comment from the first ';' removed,
// a line feed added unless that would pass 255 bytes.
std::string TransferLineText(std::string_view line);
// The report: byte 0 the text's length, then the text, zeros up to reportLength.
// Empty when the text does not fit.
std::vector<uint8_t> LineReport(std::string_view text, uint16_t reportLength);
// Why line `index`, going out as `text`, fails before it is written: it needs more than
// the reportLength - 1 bytes a report carries after its length byte. Empty when it fits.
std::string LineTooLongText(int index, std::string_view text, uint16_t reportLength);
// An input report's data bytes as the answer: at most 255, cut before the first line feed.
std::string AnswerTextOf(const uint8_t* data, uint16_t size);

// What the transfer needs from its window (or from the command line's sender).
class TTransferHost {
 public:
  enum class TAppended { Answer, Error };
  virtual ~TTransferHost() = default;

  // The editor's lines as 8-bit text; an empty last line is not counted.
  virtual std::vector<std::string> EditorLines() const = 0;
  // Adds a new last line to the editor.
  virtual void AppendEditorLine(std::string_view text, TAppended kind) = 0;
  virtual void SetButtonCncEnabled(bool enabled) = 0;
  virtual void SetButtonCncCaption(std::string_view caption) = 0;
  // DevListBox: its item texts and the selected item (-1 for none).
  virtual void ShowDevListBox(const std::vector<std::string>& items, int selected) = 0;
  // The line being sent, counted from 1, of how many; 0 when no transfer runs.
  virtual void ShowTransferProgress(int line, int lines) = 0;
  // After the transfer ended: why its failed line could not go out, where the user
  // reads it (the error line in the editor says only which line failed).
  virtual void ShowTransferFailure(std::string_view reason) = 0;
  // Processes pending messages, sleeping until at least one has come.
  virtual void WaitForMessages() = 0;
};

enum class TTransferResult { NothingSent, Completed, Failed };

class TProgramTransfer {
 public:
  TProgramTransfer(THidDeviceController& hid, TTransferHost& host);
  // Gives back every device still claimed.
  ~TProgramTransfer();
  TProgramTransfer(const TProgramTransfer&) = delete;
  TProgramTransfer& operator=(const TProgramTransfer&) = delete;

  // Binds HID_Arrival, HID_Removal and HID_Enumerate; the controller may then load.
  void BindHandlers();

  void HID_Open();
  void HID_Close();
  void HID_Arrival(THidDevice* HidDev);
  void HID_Removal(THidDevice* HidDev);
  bool HID_Enumerate(THidDevice* HidDev, int32_t Idx);
  void HID_DeviceChange(THidDeviceController* Sender);
  void HID_Read(THidDevice* HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size);
  void DevListBoxClick(int selected);
  uint16_t HID_Write(std::string_view line);
  // Starts a transfer, or stops the one that runs (its caption then says so).
  TTransferResult Button_CNCClick();
  // The same, sending the editor's lines from this index on (the command line's resume).
  TTransferResult SendFrom(int firstLine);
  // After a failed transfer: sends the rest of the lines it had, from the failed one on,
  // then the end report; or stops the transfer that runs.
  TTransferResult Resume();
  // The index of the line a resume would start at, -1 when none is on offer.
  int ResumeLine() const { return resumeLine_; }
  // The lines of the failed transfer, or none.
  int ResumeLines() const { return static_cast<int>(lines_.size()); }
  // The program changed: the failed transfer's lines are no longer the editor's.
  void ForgetResume();

  // Ends a running transfer's wait: its line counts as failed.
  void RequestStop() { stopRequested_ = true; }
  void SetAnswerTimeoutMs(int ms) { answerTimeoutMs_ = ms; }

  THidDevice* SelectedDevice() const { return selectedDevice_; }
  bool AnswerReceived() const { return answerReceived_; }
  const std::string& AnswerText() const { return answerText_; }
  bool Transferring() const { return transferring_; }
  bool ButtonCncEnabled() const { return buttonCncEnabled_; }

 private:
  struct TDevListItem {
    std::string Text;
    THidDevice* Device;  // claimed for the item, or null
  };
  enum class TWaitEnd { Answered, Stopped, DeviceGone, TimedOut };

  TTransferResult Start(int firstLine);
  TTransferResult Transfer(int firstLine);
  const char* IdleCaption() const { return resumeLine_ >= 0 ? "RESUME CNC" : "CNC"; }
  TWaitEnd WaitForAnswer();
  void WaitUntilListening();
  void ReleaseListedDevices();
  void ShowButtonCnc();
  void ShowDevListBox();

  THidDeviceController& HID;
  TTransferHost& host_;
  std::vector<TDevListItem> devListBox_;
  int devListSelected_ = -1;
  THidDevice* selectedDevice_ = nullptr;
  bool answerReceived_ = false;
  std::string answerText_;
  bool buttonCncEnabled_ = false;
  bool transferring_ = false;
  bool stopRequested_ = false;
  bool selectedGone_ = false;  // the device of the running transfer was removed
  int answerTimeoutMs_ = kDefaultAnswerTimeoutMs;
  std::vector<std::string> lines_;  // what the running or failed transfer sends
  std::string failure_;             // why the last transfer's line could not go out, or empty
  int resumeLine_ = -1;
};

}  // namespace marloq
