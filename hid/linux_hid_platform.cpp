// Linux HID platform: udev enumeration and monitor for the hidraw nodes, a device's
// details from its "hid" and "usb_device" parents, and reads with a wake-up for Close.
#include "hid/linux_hid_platform.h"

#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "hid/report_descriptor.h"

namespace marloq {

namespace {

// The kernel's hidraw queue holds 64 reports per open file (HIDRAW_BUFFER_SIZE), fixed.
constexpr uint32_t kHidrawQueueLength = 64;
// sysfs hands out at most HID_MAX_DESCRIPTOR_SIZE (4096) bytes; room to spare.
constexpr size_t kMaxDescriptorBytes = 65536;

struct UdevDeleter {
  void operator()(udev* p) const { udev_unref(p); }
  void operator()(udev_device* p) const { udev_device_unref(p); }
  void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
  void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};
using TUdev = std::unique_ptr<udev, UdevDeleter>;
using TUdevDevice = std::unique_ptr<udev_device, UdevDeleter>;
using TUdevEnumerate = std::unique_ptr<udev_enumerate, UdevDeleter>;
using TUdevMonitor = std::unique_ptr<udev_monitor, UdevDeleter>;

// A value read from sysfs at open, or the errno-style code that explains its absence.
template <typename T>
struct TFetched {
  T Value{};
  uint32_t Error = ENODATA;
};

// What a file answers its queries from: read once at open, constant afterwards, so
// the queries need no lock and no udev object crosses threads.
struct TDeviceInfo {
  TFetched<THidAttributes> Attributes;
  TFetched<std::u16string> Product;
  TFetched<THidPreparsedData> Preparsed;
};

bool ParseHex(const char* text, uint32_t& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long value = strtoul(text, &end, 16);
  if (errno != 0 || *end != '\0' || value > UINT32_MAX) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

// HID_ID of the hid device: "BUS:VENDOR:PRODUCT", each in hex ("0003:00001234:00005678").
bool ParseHidId(const char* text, THidAttributes& out) {
  if (!text) return false;
  const char* vendor = strchr(text, ':');
  const char* product = vendor ? strchr(vendor + 1, ':') : nullptr;
  if (!product) return false;
  uint32_t v = 0, p = 0;
  const std::string vendorText(vendor + 1, product);
  if (!ParseHex(vendorText.c_str(), v) || !ParseHex(product + 1, p) || v > UINT16_MAX || p > UINT16_MAX)
    return false;
  out.VendorID = static_cast<uint16_t>(v);
  out.ProductID = static_cast<uint16_t>(p);
  return true;
}

TFetched<THidAttributes> ReadAttributes(udev_device* hid, udev_device* usb) {
  TFetched<THidAttributes> out;
  if (!hid || !ParseHidId(udev_device_get_property_value(hid, "HID_ID"), out.Value)) return out;
  uint32_t version = 0;
  if (usb && ParseHex(udev_device_get_sysattr_value(usb, "bcdDevice"), version) && version <= UINT16_MAX)
    out.Value.VersionNumber = static_cast<uint16_t>(version);
  out.Error = 0;
  return out;
}

TFetched<std::u16string> ReadProduct(udev_device* hid, udev_device* usb) {
  TFetched<std::u16string> out;
  const char* text = usb ? udev_device_get_sysattr_value(usb, "product") : nullptr;
  if (!text && hid) text = udev_device_get_property_value(hid, "HID_NAME");
  if (!text) return out;
  out.Value = QString::fromUtf8(text).toStdU16String();
  out.Error = 0;
  return out;
}

// The descriptor is binary with zero bytes inside, so it is read as a file: udev's
// attribute strings end at the first zero.
TFetched<THidPreparsedData> ReadPreparsedData(udev_device* hid) {
  TFetched<THidPreparsedData> out;
  if (!hid) return out;
  const std::string path = std::string(udev_device_get_syspath(hid)) + "/report_descriptor";
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    out.Error = static_cast<uint32_t>(errno);
    return out;
  }
  std::vector<uint8_t> bytes(kMaxDescriptorBytes);
  size_t size = 0;
  int readErrno = 0;
  while (size < bytes.size()) {
    const ssize_t n = read(fd, bytes.data() + size, bytes.size() - size);
    if (n > 0) size += static_cast<size_t>(n);
    else if (n == 0) break;
    else if (errno != EINTR) {
      readErrno = errno;
      break;
    }
  }
  close(fd);
  if (readErrno != 0) {
    out.Error = static_cast<uint32_t>(readErrno);
    return out;
  }
  const TReportDescriptorParse parse = ParseReportDescriptor(std::span(bytes.data(), size));
  if (!parse.Ok) {
    qWarning("%s: %s", path.c_str(), parse.Error.c_str());
    out.Error = EBADMSG;
    return out;
  }
  out.Value = parse.Data;
  out.Error = 0;
  return out;
}

TDeviceInfo ReadDeviceInfo(udev_device* hidraw) {
  // Parents belong to the child; they are not unreferenced here.
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
  udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
  return {ReadAttributes(hid, usb), ReadProduct(hid, usb), ReadPreparsedData(hid)};
}

// Milliseconds left for poll(): -1 to wait without end, never less than 0 otherwise.
int RemainingMs(std::chrono::steady_clock::time_point deadline, int timeoutMs) {
  if (timeoutMs < 0) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX));
}

bool Fail(uint32_t code) {
  SetHidLastError(code);
  return false;
}

class LinuxHidFile final : public THidFile {
 public:
  LinuxHidFile(int fd, int wakeFd, THidAccess access, TDeviceInfo info)
      : access_(access), info_(std::move(info)), wakeFd_(wakeFd), fd_(fd) {}

  ~LinuxHidFile() override {
    // Nobody else holds the file now, so no system call can still be using the fd.
    if (fd_ >= 0) close(fd_);
    close(wakeFd_);
  }

  bool GetAttributes(THidAttributes& out) override { return Answer(info_.Attributes, out); }
  bool GetPreparsedData(THidPreparsedData& out) override { return Answer(info_.Preparsed, out); }

  bool GetProductString(std::u16string& out, size_t maxChars) override {
    if (!Answer(info_.Product, out)) return false;
    if (out.size() > maxChars) {
      out.resize(maxChars);
      // Never leave half of a surrogate pair at the cut.
      if (!out.empty() && out.back() >= 0xD800 && out.back() <= 0xDBFF) out.pop_back();
    }
    return true;
  }

  bool GetNumInputBuffers(uint32_t& count) override {
    if (!Usable()) return false;
    count = kHidrawQueueLength;
    return true;
  }

  // The hidraw queue length is fixed in the kernel: asking for what it is succeeds,
  // asking for anything else fails rather than pretending.
  bool SetNumInputBuffers(uint32_t count) override {
    if (!Usable()) return false;
    return count == kHidrawQueueLength || Fail(EOPNOTSUPP);
  }

  bool Write(const uint8_t* report, uint32_t size, uint32_t& written) override {
    written = 0;
    if (!Usable()) return false;
    TFdUse use(*this);
    if (use.Fd() < 0) return Fail(ENODEV);
    ssize_t n = 0;
    while ((n = write(use.Fd(), report, size)) < 0 && errno == EINTR) {
    }
    if (n < 0) return Fail(static_cast<uint32_t>(errno));
    written = static_cast<uint32_t>(n);
    return true;
  }

  bool StartRead(uint8_t* buffer, uint32_t size) override {
    std::lock_guard lock(mutex_);
    if (closed_ || gone_) return Fail(ENODEV);
    if (access_ != THidAccess::Read && access_ != THidAccess::ReadWrite) return Fail(EBADF);
    if (readState_ == TRead::Pending) return Fail(EBUSY);
    if (!buffer || size < 2) return Fail(EINVAL);  // room for the report ID and one byte
    readBuffer_ = buffer;
    readSize_ = size;
    resultSize_ = 0;
    readState_ = TRead::Pending;
    return true;
  }

  bool WaitRead(int timeoutMs) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (bool first = true;; first = false) {
      {
        std::lock_guard lock(mutex_);
        if (readState_ != TRead::Pending) return Finished();
      }
      const int waitMs = RemainingMs(deadline, timeoutMs);
      if (waitMs == 0 && !first) return false;
      TFdUse use(*this);
      if (use.Fd() < 0) continue;  // closed meanwhile: Close has completed the read
      pollfd fds[2] = {{use.Fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
      const int ready = poll(fds, 2, waitMs);
      if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
      const int pollErrno = errno;
      std::lock_guard lock(mutex_);
      if (readState_ == TRead::Pending && ready < 0) Complete(0, static_cast<uint32_t>(pollErrno));
      if (readState_ == TRead::Pending) TakeReport(use.Fd(), fds[0].revents);
      if (readState_ != TRead::Pending) return Finished();
    }
  }

  uint32_t ReadResultSize() override {
    std::lock_guard lock(mutex_);
    return readState_ == TRead::Completed ? resultSize_ : 0;
  }

  // The report is read into the buffer under the mutex, so once this returns no
  // byte can reach the old buffer.
  bool CancelPending() override {
    std::lock_guard lock(mutex_);
    if (readState_ == TRead::Pending) readState_ = TRead::Idle;
    readBuffer_ = nullptr;
    return true;
  }

  void Close() override {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    if (readState_ == TRead::Pending) Complete(0, ECANCELED);
    const uint64_t one = 1;
    // One increment cannot overflow the counter, so this write cannot fail.
    [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
    if (users_ == 0) CloseFd();
  }

 private:
  enum class TRead { Idle, Pending, Completed };

  // Holds the fd open across one system call; Fd() is -1 once the file is closed.
  class TFdUse {
   public:
    explicit TFdUse(LinuxHidFile& file) : file_(file) {
      std::lock_guard lock(file_.mutex_);
      if (file_.closed_) return;
      ++file_.users_;
      fd_ = file_.fd_;
    }
    ~TFdUse() {
      if (fd_ < 0) return;
      std::lock_guard lock(file_.mutex_);
      if (--file_.users_ == 0 && file_.closed_) file_.CloseFd();
    }
    TFdUse(const TFdUse&) = delete;
    TFdUse& operator=(const TFdUse&) = delete;
    int Fd() const { return fd_; }

   private:
    LinuxHidFile& file_;
    int fd_ = -1;
  };

  bool Usable() { return (!closed_ && !gone_) || Fail(ENODEV); }

  template <typename T>
  bool Answer(const TFetched<T>& fetched, T& out) {
    if (!Usable()) return false;
    if (fetched.Error != 0) return Fail(fetched.Error);
    out = fetched.Value;
    return true;
  }

  // Called with the mutex held and the read pending, after poll() reported on the
  // node or the wake-up; completes the read unless nothing could be read yet.
  void TakeReport(int fd, short revents) {
    if (revents & POLLIN) {
      // Without numbered reports the kernel hands out the data alone: the report ID 0
      // goes in front, so every report crossing the platform layer starts with its ID.
      const uint32_t lead = Numbered() ? 0 : 1;
      const ssize_t n = read(fd, readBuffer_ + lead, readSize_ - lead);
      if (n > 0) {
        if (lead) readBuffer_[0] = 0;
        Complete(static_cast<uint32_t>(n) + lead, 0);
        return;
      }
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
      // End of file (a hung-up terminal in test beds) or EIO/ENODEV (hidraw): unplugged.
      if (n == 0 || errno == EIO || errno == ENODEV) return Gone(n == 0 ? ENODEV : static_cast<uint32_t>(errno));
      Complete(0, static_cast<uint32_t>(errno));
      return;
    }
    if (revents & (POLLHUP | POLLERR | POLLNVAL)) Gone(ENODEV);
  }

  void Gone(uint32_t code) {
    gone_ = true;
    Complete(0, code);
  }

  void Complete(uint32_t size, uint32_t error) {
    readState_ = TRead::Completed;
    resultSize_ = size;
    readError_ = error;
    readBuffer_ = nullptr;
  }

  // With the mutex held, once the read is no longer pending: its error goes to the
  // waiting thread, whoever completed it. With no read started (or one cancelled)
  // there is nothing to wait for.
  bool Finished() {
    if (readState_ == TRead::Idle) return Fail(EINVAL);
    if (readError_ != 0) SetHidLastError(readError_);
    return true;
  }

  // Unreadable descriptor: the reports are taken as unnumbered, by far the common case.
  bool Numbered() const { return info_.Preparsed.Error == 0 && info_.Preparsed.Value.NumberedReports; }

  void CloseFd() {
    close(fd_);
    fd_ = -1;
  }

  const THidAccess access_;
  const TDeviceInfo info_;
  const int wakeFd_;  // eventfd, signalled by Close and never reset: closing is final

  std::mutex mutex_;  // guards what follows, and is held while a report is read into the buffer
  int fd_;            // closed by Close when idle, else by the last TFdUse, else by the destructor
  int users_ = 0;     // TFdUse holders inside a system call on fd_
  std::atomic<bool> closed_{false};  // written by Close, any thread
  std::atomic<bool> gone_{false};    // written by the reading thread when the device vanishes
  TRead readState_ = TRead::Idle;
  uint8_t* readBuffer_ = nullptr;  // the started read's buffer; null when none may be written
  uint32_t readSize_ = 0;          // its size in bytes
  uint32_t resultSize_ = 0;        // bytes of the completed read, report ID included
  uint32_t readError_ = 0;         // why it completed empty: 0, or an errno value
};

class LinuxHidPlatform final : public THidPlatform {
 public:
  LinuxHidPlatform() : udev_(udev_new()) {}
  ~LinuxHidPlatform() override { StopWatch(); }

  bool Available() const override { return udev_ != nullptr; }

  std::vector<THidInterface> ListInterfaces() override {
    std::vector<THidInterface> out;
    std::lock_guard lock(mutex_);
    TUdevEnumerate scan = ScanHidraw();
    if (!scan) return out;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get())) {
      const char* syspath = udev_list_entry_get_name(entry);
      TUdevDevice device(udev_device_new_from_syspath(udev_.get(), syspath));
      const char* node = device ? udev_device_get_devnode(device.get()) : nullptr;
      if (node) out.push_back({DevInstOf(syspath), node});
    }
    return out;
  }

  void WatchChanges(std::function<void()> onChange) override {
    if (!onChange) return StopWatch();
    onChange_ = std::move(onChange);
    if (notifier_) return notifier_->setEnabled(true);  // restarted from inside onChange_
    if (!udev_) return;
    std::lock_guard lock(mutex_);
    TUdevMonitor monitor(udev_monitor_new_from_netlink(udev_.get(), "udev"));
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
      SetHidLastError(monitor ? EIO : static_cast<uint32_t>(errno));
      return;
    }
    monitor_ = std::move(monitor);
    notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_.get()), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnMonitorReadable(); });
  }

  std::shared_ptr<THidFile> Open(const std::string& devicePath, THidAccess access) override {
    const int fd = open(devicePath.c_str(), OpenFlags(access));
    if (fd < 0) return OpenFailed(-1, static_cast<uint32_t>(errno));
    TDeviceInfo info;
    {
      std::lock_guard lock(mutex_);
      TUdevDevice device = FindHidraw(devicePath);
      if (!device) return OpenFailed(fd, ENODEV);
      info = ReadDeviceInfo(device.get());
    }
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) return OpenFailed(fd, static_cast<uint32_t>(errno));
    return std::make_shared<LinuxHidFile>(fd, wakeFd, access, std::move(info));
  }

 private:
  // O_PATH lets a node the user may neither read nor write still be found and queried.
  // Reads poll and must never block while the file's mutex is held; hidraw writes are
  // synchronous whatever the flags say.
  static int OpenFlags(THidAccess access) {
    switch (access) {
      case THidAccess::None: return O_PATH | O_CLOEXEC;
      case THidAccess::Read: return O_RDONLY | O_NONBLOCK | O_CLOEXEC;
      case THidAccess::Write: return O_WRONLY | O_CLOEXEC;
      case THidAccess::ReadWrite: break;
    }
    return O_RDWR | O_NONBLOCK | O_CLOEXEC;
  }

  static std::shared_ptr<THidFile> OpenFailed(int fd, uint32_t code) {
    if (fd >= 0) close(fd);
    SetHidLastError(code);
    return nullptr;
  }

  TUdevEnumerate ScanHidraw() {
    if (!udev_) return nullptr;
    TUdevEnumerate scan(udev_enumerate_new(udev_.get()));
    if (!scan || udev_enumerate_add_match_subsystem(scan.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(scan.get()) < 0)
      return nullptr;
    return scan;
  }

  // The node's device number leads to its sysfs device; sysfs whose uevent files lack
  // the numbers (some test beds) is searched for the node's name instead.
  TUdevDevice FindHidraw(const std::string& devicePath) {
    struct stat st {};
    if (!udev_) return nullptr;
    if (stat(devicePath.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
      TUdevDevice device(udev_device_new_from_devnum(udev_.get(), 'c', st.st_rdev));
      const char* subsystem = device ? udev_device_get_subsystem(device.get()) : nullptr;
      if (subsystem && strcmp(subsystem, "hidraw") == 0) return device;
    }
    TUdevEnumerate scan = ScanHidraw();
    if (!scan) return nullptr;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get())) {
      TUdevDevice device(udev_device_new_from_syspath(udev_.get(), udev_list_entry_get_name(entry)));
      const char* node = device ? udev_device_get_devnode(device.get()) : nullptr;
      if (node && devicePath == node) return device;
    }
    return nullptr;
  }

  // A new hid device name (and so syspath) comes with every plugging, so the syspath
  // tells one plugging from the next. Ids are never reused within the platform's life.
  uint32_t DevInstOf(const std::string& syspath) {
    const auto [it, added] = devInsts_.try_emplace(syspath, nextDevInst_);
    if (added) ++nextDevInst_;
    return it->second;
  }

  void OnMonitorReadable() {
    bool changed = false;
    {
      std::lock_guard lock(mutex_);
      // The monitor's socket is non-blocking: this drains what is queued, then stops.
      while (TUdevDevice device{udev_monitor_receive_device(monitor_.get())}) changed = true;
    }
    if (!changed) return;
    // A copy: the function may stop or replace the watch while it runs.
    const std::function<void()> onChange = onChange_;
    dispatching_ = true;
    onChange();
    dispatching_ = false;
    if (!onChange_) StopWatch();
  }

  void StopWatch() {
    onChange_ = nullptr;
    if (!notifier_) return;
    notifier_->setEnabled(false);
    // Stopped from inside the change function: the notifier is the sender of the signal
    // being handled, so it goes once that function has returned.
    if (dispatching_) return;
    notifier_.reset();
    std::lock_guard lock(mutex_);
    monitor_.reset();
  }

  std::mutex mutex_;  // guards udev_ and what hangs off it, and devInsts_: Open runs on any thread
  TUdev udev_;
  std::map<std::string, uint32_t> devInsts_;  // hidraw syspath -> DevInst
  uint32_t nextDevInst_ = 1;                  // 0 stays "no device"

  // The watch; GUI thread only.
  std::function<void()> onChange_;
  TUdevMonitor monitor_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool dispatching_ = false;  // inside onChange_
};

}  // namespace

std::unique_ptr<THidPlatform> MakeLinuxHidPlatform() { return std::make_unique<LinuxHidPlatform>(); }

}  // namespace marloq
