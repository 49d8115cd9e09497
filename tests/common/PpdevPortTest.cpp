#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/PpdevPort.h"

namespace common {
namespace {

// A stand-in for the kernel's parport list.
class PpdevPortTest : public ::testing::Test {
protected:
  void AddParport(int number, const char *baseAddr) {
    const QString folder = QStringLiteral("proc/parport%1").arg(number);
    ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
    QFile f(dir.filePath(folder + "/base-addr"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(baseAddr);
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

TEST_F(PpdevPortTest, AMissingDeviceGivesAClearErrorAndAnAbsentPort) {
  PpdevPort port(Proc(), Dev());
  EXPECT_FALSE(port.Open(0x378));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_NE(port.ErrorText().find("parport0"), std::string::npos) << port.ErrorText();
  EXPECT_NE(port.ErrorText().find("0378"), std::string::npos) << port.ErrorText();

  port.Out32(0x378, 0x55);
  EXPECT_EQ(port.Inp32(0x379), 0xFF);
}

TEST_F(PpdevPortTest, AnUnknownAddressIsReportedOnFirstUse) {
  PpdevPort port(Proc(), Dev());
  port.Out32(0x2F8, 0x08);
  EXPECT_EQ(port.Inp32(0x2F9), 0xFF);
  EXPECT_NE(port.ErrorText().find("02F8"), std::string::npos) << port.ErrorText();
}

TEST_F(PpdevPortTest, AFileThatIsNoParportCannotBeClaimed) {
  QFile fake(dir.filePath(QStringLiteral("dev/parport0")));
  Dev();
  ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
  fake.close();

  PpdevPort port(Proc(), Dev());
  EXPECT_FALSE(port.Open(0x378));
  EXPECT_NE(port.ErrorText().find("claim"), std::string::npos) << port.ErrorText();
  EXPECT_EQ(port.Inp32(0x379), 0xFF);
}

} // namespace
} // namespace common
