// Linux HID platform against umockdev: mocked sysfs and udev, and /dev/hidraw nodes that
// are terminals whose other end the test holds. Runs only under umockdev-wrapper.
#include "hid/linux_hid_platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <umockdev.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace marloq {
namespace {

using Clock = std::chrono::steady_clock;

// A USB device with one HID interface of 64-byte input and output reports.
const char* const kUsbHidraw0 = R"(P: /devices/pci0000:00/0000:00:14.0/usb1/1-1
E: SUBSYSTEM=usb
E: DEVTYPE=usb_device
A: idVendor=0483
A: idProduct=5750
A: bcdDevice=0200
A: product=USB HID STM32F4

P: /devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0
E: SUBSYSTEM=usb
E: DEVTYPE=usb_interface

P: /devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/0003:0483:5750.0001
E: SUBSYSTEM=hid
E: HID_ID=0003:00000483:00005750
E: HID_NAME=STM USB HID
H: report_descriptor=0600FF0901A1010920150026FF007508954081020921150026FF00750895409102C0

P: /devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/0003:0483:5750.0001/hidraw/hidraw0
E: SUBSYSTEM=hidraw
E: DEVNAME=/dev/hidraw0
A: dev=247:0
N: hidraw0
)";
const char* const kHidraw0Syspath =
    "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/0003:0483:5750.0001/hidraw/hidraw0";

// A Bluetooth device: no USB parent (so no bcdDevice, and the name from HID_NAME),
// numbered reports (input 2 of 3 data bytes, output 2 of 8), and the node numbers in
// its uevent file, so the node is found by device number rather than by name.
const char* const kBluetoothHidraw1 = R"(P: /devices/virtual/misc/uhid/0005:046D:B012.0002
E: SUBSYSTEM=hid
E: HID_ID=0005:0000046D:0000B012
E: HID_NAME=Pendant Ü
H: report_descriptor=0600FF0901A1018502750895038102750895089102C0

P: /devices/virtual/misc/uhid/0005:046D:B012.0002/hidraw/hidraw1
E: SUBSYSTEM=hidraw
E: DEVNAME=/dev/hidraw1
E: MAJOR=247
E: MINOR=1
A: dev=247:1
N: hidraw1
)";

std::vector<uint8_t> Bytes(size_t size, uint8_t first) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(first + i * 7);
  return out;
}

// Qt events until done() or the deadline; what the GUI thread's loop would do.
bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  for (const auto deadline = Clock::now() + limit; !done(); QThread::msleep(2)) {
    if (Clock::now() > deadline) return false;
    QCoreApplication::processEvents();
  }
  return true;
}

class LinuxHidPlatformTest : public testing::Test {
 protected:
  // The testbed comes first: a udev monitor made before it hears nothing.
  void SetUp() override {
    testbed_ = umockdev_testbed_new();
    platform_ = MakeLinuxHidPlatform();
    ASSERT_TRUE(platform_->Available());
  }
  void TearDown() override {
    platform_.reset();
    g_object_unref(testbed_);
  }

  void Add(const std::string& description) {
    GError* error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_string(testbed_, description.c_str(), &error))
        << (error ? error->message : "?");
  }

  // The test's end of a node, owned by the testbed. Accumulates: a terminal keeps no
  // report boundaries.
  std::vector<uint8_t> ReadAtDevice(const char* node, size_t size) {
    const int fd = umockdev_testbed_get_dev_fd(testbed_, node);
    std::vector<uint8_t> got(size);
    size_t n = 0;
    for (pollfd p{fd, POLLIN, 0}; n < size && poll(&p, 1, 2000) == 1;) {
      const ssize_t r = read(fd, got.data() + n, size - n);
      if (r <= 0) break;
      n += static_cast<size_t>(r);
    }
    got.resize(n);
    return got;
  }
  void WriteAtDevice(const char* node, const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(write(umockdev_testbed_get_dev_fd(testbed_, node), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
  }
  // As an unplugged hidraw node would: the reader sees a hang-up and end of file.
  void HangUp(const char* node) {
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(dup2(null, umockdev_testbed_get_dev_fd(testbed_, node)), 0);
    close(null);
  }

  UMockdevTestbed* testbed_ = nullptr;
  std::unique_ptr<THidPlatform> platform_;
};

TEST_F(LinuxHidPlatformTest, ListsNodesWithOneDevInstPerPlugging) {
  Add(kUsbHidraw0);
  const auto first = platform_->ListInterfaces();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].DevicePath, "/dev/hidraw0");
  EXPECT_NE(first[0].DevInst, 0u);

  Add(kBluetoothHidraw1);
  const auto second = platform_->ListInterfaces();
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].DevicePath, "/dev/hidraw0");
  EXPECT_EQ(second[0].DevInst, first[0].DevInst);
  EXPECT_EQ(second[1].DevicePath, "/dev/hidraw1");
  EXPECT_NE(second[1].DevInst, first[0].DevInst);
  EXPECT_NE(second[1].DevInst, 0u);
}

struct QueryCase {
  const char* path;
  uint16_t vendor, product, version;
  std::u16string name;
  uint16_t page, input, output;
  bool numbered;
};

TEST_F(LinuxHidPlatformTest, AnswersQueriesUnderEveryAccess) {
  Add(kUsbHidraw0);
  Add(kBluetoothHidraw1);
  const QueryCase cases[] = {
      {"/dev/hidraw0", 0x0483, 0x5750, 0x0200, u"USB HID STM32F4", 0xFF00, 65, 65, false},
      {"/dev/hidraw1", 0x046D, 0xB012, 0, u"Pendant \u00DC", 0xFF00, 4, 9, true},  // HID_NAME, no bcdDevice
  };
  for (const auto& c : cases) {
    for (const THidAccess access : {THidAccess::None, THidAccess::Read, THidAccess::Write, THidAccess::ReadWrite}) {
      const std::string where = std::string(c.path) + " access " + std::to_string(static_cast<int>(access));
      const auto file = platform_->Open(c.path, access);
      ASSERT_TRUE(file) << where << ": errno " << HidLastError();
      THidAttributes a;
      ASSERT_TRUE(file->GetAttributes(a)) << where;
      EXPECT_EQ(a.VendorID, c.vendor) << where;
      EXPECT_EQ(a.ProductID, c.product) << where;
      EXPECT_EQ(a.VersionNumber, c.version) << where;
      std::u16string name;
      ASSERT_TRUE(file->GetProductString(name, 126)) << where;
      EXPECT_EQ(name, c.name) << where;
      THidPreparsedData p;
      ASSERT_TRUE(file->GetPreparsedData(p)) << where;
      EXPECT_EQ(p.Caps.UsagePage, c.page) << where;
      EXPECT_EQ(p.Caps.Usage, 1) << where;
      EXPECT_EQ(p.Caps.InputReportByteLength, c.input) << where;
      EXPECT_EQ(p.Caps.OutputReportByteLength, c.output) << where;
      EXPECT_EQ(p.NumberedReports, c.numbered) << where;
      uint32_t buffers = 0;
      EXPECT_TRUE(file->GetNumInputBuffers(buffers) && buffers == 64) << where;
    }
  }
}

TEST_F(LinuxHidPlatformTest, ProductStringCutAndFixedQueueLength) {
  Add(kUsbHidraw0);
  const auto file = platform_->Open("/dev/hidraw0", THidAccess::None);
  ASSERT_TRUE(file);
  std::u16string name;
  ASSERT_TRUE(file->GetProductString(name, 3));
  EXPECT_EQ(name, u"USB");
  EXPECT_TRUE(file->SetNumInputBuffers(64));
  EXPECT_FALSE(file->SetNumInputBuffers(32));
  EXPECT_EQ(HidLastError(), uint32_t{EOPNOTSUPP});
}

TEST_F(LinuxHidPlatformTest, OpenAndAccessFailuresCarryErrno) {
  Add(kUsbHidraw0);
  EXPECT_FALSE(platform_->Open("/dev/hidraw7", THidAccess::ReadWrite));
  EXPECT_EQ(HidLastError(), uint32_t{ENOENT});
  EXPECT_FALSE(platform_->Open("/dev/null", THidAccess::None));  // not a hidraw node
  EXPECT_EQ(HidLastError(), uint32_t{ENODEV});

  uint8_t report[65] = {};
  uint32_t written = 0;
  for (const THidAccess access : {THidAccess::None, THidAccess::Read, THidAccess::Write}) {
    SetHidLastError(0);
    const auto file = platform_->Open("/dev/hidraw0", access);
    ASSERT_TRUE(file);
    const bool mayWrite = access == THidAccess::Write, mayRead = access == THidAccess::Read;
    EXPECT_EQ(file->Write(report, sizeof report, written), mayWrite);
    EXPECT_EQ(HidLastError(), mayWrite ? 0u : uint32_t{EBADF});
    SetHidLastError(0);
    EXPECT_EQ(file->StartRead(report, sizeof report), mayRead);
    EXPECT_EQ(HidLastError(), mayRead ? 0u : uint32_t{EBADF});
  }
}

TEST_F(LinuxHidPlatformTest, WriteReachesTheDeviceUnchanged) {
  Add(kUsbHidraw0);
  const auto file = platform_->Open("/dev/hidraw0", THidAccess::ReadWrite);
  ASSERT_TRUE(file);
  std::vector<uint8_t> report = Bytes(65, 0);  // report ID 0, then 64 bytes
  // What a terminal in cooked mode would eat or translate: ^C, LF, CR, ^D, XON, XOFF, DEL.
  const uint8_t controls[] = {0x03, 0x0A, 0x0D, 0x04, 0x11, 0x13, 0x7F, 0xFF, 0x00};
  std::copy(std::begin(controls), std::end(controls), report.begin() + 1);
  uint32_t written = 0;
  ASSERT_TRUE(file->Write(report.data(), 65, written));
  EXPECT_EQ(written, 65u);
  EXPECT_EQ(ReadAtDevice("/dev/hidraw0", 65), report);
}

struct ReadCase {
  std::string description;
  const char* node;
  std::vector<uint8_t> sent, delivered;
};

TEST_F(LinuxHidPlatformTest, ReportsArriveWithTheirReportIdInFront) {
  std::vector<uint8_t> withId = Bytes(64, 0x11);
  withId.insert(withId.begin(), 0);
  const ReadCase cases[] = {
      {kUsbHidraw0, "/dev/hidraw0", Bytes(64, 0x11), withId},
      {kBluetoothHidraw1, "/dev/hidraw1", {2, 0x0A, 0x0D, 0}, {2, 0x0A, 0x0D, 0}},  // numbered: as sent
  };
  for (const auto& c : cases) {
    Add(c.description);
    const auto file = platform_->Open(c.node, THidAccess::Read);
    ASSERT_TRUE(file) << c.node;
    std::vector<uint8_t> buffer(65, 0xEE);
    ASSERT_TRUE(file->StartRead(buffer.data(), 65)) << c.node;
    WriteAtDevice(c.node, c.sent);
    ASSERT_TRUE(file->WaitRead(2000)) << c.node;
    ASSERT_EQ(file->ReadResultSize(), c.delivered.size()) << c.node;
    buffer.resize(c.delivered.size());
    EXPECT_EQ(buffer, c.delivered) << c.node;
  }
}

TEST_F(LinuxHidPlatformTest, WaitTimesOutAndCancelledBufferStaysUntouched) {
  Add(kUsbHidraw0);
  const auto file = platform_->Open("/dev/hidraw0", THidAccess::ReadWrite);
  ASSERT_TRUE(file);
  std::vector<uint8_t> old(65, 0xEE), fresh(65, 0xEE);
  ASSERT_TRUE(file->StartRead(old.data(), 65));
  const auto start = Clock::now();
  EXPECT_FALSE(file->WaitRead(80));
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(80));
  EXPECT_LT(waited, std::chrono::milliseconds(1000));

  ASSERT_TRUE(file->CancelPending());
  WriteAtDevice("/dev/hidraw0", Bytes(64, 1));
  ASSERT_TRUE(file->StartRead(fresh.data(), 65));
  ASSERT_TRUE(file->WaitRead(2000));
  EXPECT_EQ(file->ReadResultSize(), 65u);
  EXPECT_EQ(old, std::vector<uint8_t>(65, 0xEE));
  EXPECT_EQ(fresh[1], 1);
}

TEST_F(LinuxHidPlatformTest, CloseFromAnotherThreadEndsTheWaitAndTheFile) {
  Add(kUsbHidraw0);
  const auto file = platform_->Open("/dev/hidraw0", THidAccess::ReadWrite);
  ASSERT_TRUE(file);
  std::vector<uint8_t> buffer(65);
  ASSERT_TRUE(file->StartRead(buffer.data(), 65));
  bool completed = false;
  Clock::duration waited{};
  std::thread reader([&] {
    const auto start = Clock::now();
    completed = file->WaitRead(5000);
    waited = Clock::now() - start;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the reader reach its poll
  file->Close();
  reader.join();
  EXPECT_TRUE(completed);
  EXPECT_LT(waited, std::chrono::milliseconds(1000));
  EXPECT_EQ(file->ReadResultSize(), 0u);
  EXPECT_FALSE(file->StartRead(buffer.data(), 65));
  EXPECT_EQ(HidLastError(), uint32_t{ENODEV});
  uint32_t written = 0;
  EXPECT_FALSE(file->Write(buffer.data(), 65, written));
  THidAttributes a;
  EXPECT_FALSE(file->GetAttributes(a));
}

TEST_F(LinuxHidPlatformTest, UnplugCompletesTheReadEmptyAndEndsReading) {
  Add(kUsbHidraw0);
  const auto file = platform_->Open("/dev/hidraw0", THidAccess::Read);
  ASSERT_TRUE(file);
  std::vector<uint8_t> buffer(65);
  ASSERT_TRUE(file->StartRead(buffer.data(), 65));
  HangUp("/dev/hidraw0");
  ASSERT_TRUE(file->WaitRead(2000));
  EXPECT_EQ(file->ReadResultSize(), 0u);
  EXPECT_FALSE(file->StartRead(buffer.data(), 65));
  EXPECT_EQ(HidLastError(), uint32_t{ENODEV});
}

TEST_F(LinuxHidPlatformTest, WatchReportsAddAndRemoveUntilStopped) {
  int changes = 0;
  platform_->WatchChanges([&] { ++changes; });
  Add(kUsbHidraw0);
  ASSERT_TRUE(ProcessEventsUntil([&] { return changes > 0; }, std::chrono::seconds(2)));
  const int afterAdd = changes;
  // One notice per event: what was received is drained, so the notifier goes quiet.
  EXPECT_FALSE(ProcessEventsUntil([&] { return changes > afterAdd; }, std::chrono::milliseconds(50)));
  EXPECT_EQ(afterAdd, 1);
  umockdev_testbed_uevent(testbed_, kHidraw0Syspath, "remove");
  ASSERT_TRUE(ProcessEventsUntil([&] { return changes > afterAdd; }, std::chrono::seconds(2)));

  // Stopping from inside the change function itself, as a controller shutting down may.
  platform_->WatchChanges([&] {
    ++changes;
    platform_->WatchChanges({});
  });
  const int beforeStop = changes;
  umockdev_testbed_uevent(testbed_, kHidraw0Syspath, "change");
  ASSERT_TRUE(ProcessEventsUntil([&] { return changes > beforeStop; }, std::chrono::seconds(2)));
  umockdev_testbed_uevent(testbed_, kHidraw0Syspath, "change");
  EXPECT_FALSE(ProcessEventsUntil([&] { return changes > beforeStop + 1; }, std::chrono::milliseconds(150)));
}

}  // namespace
}  // namespace marloq

// Read by ThreadSanitizer's runtime, when there is one. umockdev serves the mocked
// devices from GLib worker threads whose synchronisation it cannot see; what it reports
// there is theirs, not ours.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libumockdev.so\nrace:libumockdev-preload.so\nrace:libglib-2.0.so\n"
         "race:libgobject-2.0.so\nrace:libgio-2.0.so\nmutex:libgobject-2.0.so\n";
}

int main(int argc, char** argv) {
  const char* preload = getenv("LD_PRELOAD");
  if (!preload || !strstr(preload, "libumockdev-preload")) {
    fprintf(stderr, "linux_hid_platform_test: skipped: needs umockdev's preload library (run it under "
                    "umockdev-wrapper, from the umockdev package)\n");
    return 77;
  }
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
