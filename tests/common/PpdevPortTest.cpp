#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <grp.h>
#include <unistd.h>

#include "common/PpdevPort.h"

namespace common {
namespace {

bool Contains(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

// A stand-in for the kernel's parport list and the device folder.
class PpdevPortTest : public ::testing::Test {
protected:
  void AddParport(int number, const char *baseAddr) {
    const QString folder = QStringLiteral("proc/parport%1").arg(number);
    ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
    QFile f(dir.filePath(folder + "/base-addr"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(baseAddr);
  }
  // A plain file where a device file is expected: it opens, but no port can
  // be claimed through it.
  std::string AddPlainDeviceFile(const char *name) {
    const QString path = QString::fromStdString(Dev()) + "/" + name;
    QFile fake(path);
    EXPECT_TRUE(fake.open(QIODevice::WriteOnly));
    return path.toStdString();
  }
  std::string Proc() const {
    QDir(dir.path()).mkpath(QStringLiteral("proc"));
    return dir.filePath(QStringLiteral("proc")).toStdString();
  }
  std::string Dev() const {
    QDir(dir.path()).mkpath(QStringLiteral("dev"));
    return dir.filePath(QStringLiteral("dev")).toStdString();
  }

  QTemporaryDir dir;
};

TEST_F(PpdevPortTest, TheKernelsListMapsBaseAddressesToDevices) {
  AddParport(0, "632\t1656\n"); // 0x278
  AddParport(1, "888\t1912\n"); // 0x378
  AddParport(3, "49152\t-1\n"); // a card at 0xC000
  EXPECT_EQ(PpdevPort::ParportNumberFor(0x378, Proc()), 1);
  EXPECT_EQ(PpdevPort::ParportNumberFor(0x278, Proc()), 0);
  EXPECT_EQ(PpdevPort::ParportNumberFor(0xC000, Proc()), 3);
  EXPECT_EQ(PpdevPort::ParportNumberFor(0x3BC, Proc()), std::nullopt)
      << "a listed system has no other ports";
}

TEST_F(PpdevPortTest, WithoutAListTheStandardAddressesAreAssumed) {
  EXPECT_EQ(PpdevPort::ParportNumberFor(0x378, Proc()), 0);
  EXPECT_EQ(PpdevPort::ParportNumberFor(0x278, Proc()), 1);
  EXPECT_EQ(PpdevPort::ParportNumberFor(0x3BC, Proc()), 2);
  EXPECT_EQ(PpdevPort::ParportNumberFor(0x2F8, Proc()), std::nullopt);
  EXPECT_EQ(PpdevPort::ParportNumberFor(0x378, dir.filePath("missing").toStdString()), 0);
}

TEST_F(PpdevPortTest, AMissingDeviceKeepsItsFileAndReasonAndActsAsAnAbsentPort) {
  PpdevPort port(Proc(), Dev());
  const PortReach reach = port.Open(0x378);
  EXPECT_FALSE(reach.ok);
  EXPECT_EQ(reach.deviceFile, Dev() + "/parport0");
  EXPECT_TRUE(Contains(reach.reason, Dev() + "/parport0")) << reach.reason;
  EXPECT_TRUE(Contains(reach.reason, "0378")) << reach.reason;
  EXPECT_TRUE(Contains(reach.reason, std::strerror(ENOENT))) << reach.reason;
  EXPECT_FALSE(Contains(reach.reason, "group")) << reach.reason;
  EXPECT_EQ(port.Reach(), reach);
  EXPECT_FALSE(port.IsOpen());

  port.Out32(0x378, 0x55);
  EXPECT_EQ(port.Inp32(0x379), 0xFF);
}

TEST_F(PpdevPortTest, AnAddressWithoutAPortNamesNoDeviceFile) {
  PpdevPort port(Proc(), Dev());
  const PortReach reach = port.Open(0x2F8);
  EXPECT_FALSE(reach.ok);
  EXPECT_EQ(reach.deviceFile, "");
  EXPECT_EQ(reach.reason, "No parallel port found at address 02F8.");
}

TEST_F(PpdevPortTest, RegisterAccessNeverOpensAPort) {
  AddPlainDeviceFile("parport0");
  PpdevPort port(Proc(), Dev());
  port.Out32(0x378, 0x08);
  EXPECT_EQ(port.Inp32(0x379), 0xFF);
  EXPECT_FALSE(port.Reach().ok);
  EXPECT_EQ(port.Reach().deviceFile, "") << "no open was tried";
  EXPECT_EQ(port.Reach().reason, "No parallel port has been opened.");
}

TEST_F(PpdevPortTest, AFileThatIsNoParportCannotBeClaimed) {
  const std::string device = AddPlainDeviceFile("parport0");
  PpdevPort port(Proc(), Dev());
  const PortReach reach = port.Open(0x378);
  EXPECT_FALSE(reach.ok);
  EXPECT_EQ(reach.deviceFile, device);
  EXPECT_TRUE(Contains(reach.reason, "claim")) << reach.reason;
  EXPECT_EQ(port.Inp32(0x379), 0xFF);
}

TEST_F(PpdevPortTest, OpeningAnotherAddressReplacesTheFormerOutcome) {
  AddPlainDeviceFile("parport0");
  PpdevPort port(Proc(), Dev());
  port.Open(0x378);
  port.Open(0x278);
  EXPECT_EQ(port.Base(), 0x278);
  EXPECT_EQ(port.Reach().deviceFile, Dev() + "/parport1");
  EXPECT_TRUE(Contains(port.Reach().reason, "open")) << port.Reach().reason;
}

// A refused permission names the group that owns the device, or its number
// when the group has no name.
TEST_F(PpdevPortTest, ARefusedPermissionNamesTheDevicesGroup) {
  const std::string device = AddPlainDeviceFile("parport0");
  const group *lp = ::getgrnam("lp");
  if (::geteuid() != 0 || lp == nullptr) {
    GTEST_SKIP() << "needs root and an lp group to give the device file to another group";
  }
  const struct {
    gid_t gid;
    std::string shown;
  } cases[] = {{lp->gr_gid, "\"lp\""}, {54321, "\"54321\""}};
  for (const auto &c : cases) {
    ASSERT_EQ(::chown(device.c_str(), static_cast<uid_t>(-1), c.gid), 0);
    const std::string reason = PpdevPort::FailureReason("open", device, 0x378, EACCES);
    EXPECT_TRUE(Contains(reason, std::strerror(EACCES))) << reason;
    EXPECT_TRUE(Contains(reason, "group " + c.shown)) << reason;
  }
}

} // namespace
} // namespace common
