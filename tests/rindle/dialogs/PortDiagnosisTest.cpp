#include <cerrno>
#include <fstream>

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "rindle/app/OptionsModel.h"

namespace rindle {
namespace {

// A kernel port list and a device folder in a temporary folder: parport0 at
// 0x378 with its device file, parport1 at 0x278 listed without one.
class PortDiagnosis : public ::testing::Test {
protected:
  PortDiagnosis() {
    probe.procRoot = (root() + "/proc").toStdString();
    probe.deviceRoot = (root() + "/dev").toStdString();
    List(0, 888, "none");
    List(1, 632, "none");
    std::filesystem::create_directories(probe.deviceRoot);
    std::ofstream(probe.deviceRoot + "/parport0") << "";
  }
  QString root() const { return dir.path(); }
  void List(int n, int address, const char *active) {
    const std::string port = probe.procRoot + "/parport" + std::to_string(n);
    std::filesystem::create_directories(port + "/devices");
    std::ofstream(port + "/base-addr") << address << "\t" << address + 0x400 << "\n";
    std::ofstream(port + "/devices/active") << active << "\n";
  }
  QString Device(int n) const {
    return QString::fromStdString(probe.deviceRoot) + QStringLiteral("/parport%1").arg(n);
  }

  QTemporaryDir dir;
  PortProbe probe;
};

TEST_F(PortDiagnosis, AFreePortIsReady) {
  EXPECT_EQ(DiagnoseParallelPort(0x378, probe), Device(0) + QStringLiteral(": ready"));
}

TEST_F(PortDiagnosis, AnAddressTheKernelDoesNotListIsNoPort) {
  EXPECT_EQ(DiagnoseParallelPort(0x2F8, probe), QStringLiteral("02F8: no such port"));
  EXPECT_EQ(DiagnoseParallelPort(0x3BC, probe), QStringLiteral("03BC: no such port"))
      << "the kernel's list wins over the standard addresses";
}

TEST_F(PortDiagnosis, AListedPortWithoutItsDeviceFileIsNoPort) {
  EXPECT_EQ(DiagnoseParallelPort(0x278, probe), Device(1) + QStringLiteral(": no such port"));
}

TEST_F(PortDiagnosis, PermissionDeniedNamesTheGroupToJoin) {
  probe.tryOpen = [](const std::string &) { return EACCES; };
  const QString group = QFileInfo(Device(0)).group();
  ASSERT_FALSE(group.isEmpty());
  EXPECT_EQ(DiagnoseParallelPort(0x378, probe),
            Device(0) + QStringLiteral(": permission denied (join the group ") + group +
                QStringLiteral(" that owns ") + Device(0) + QStringLiteral(")"));
}

TEST_F(PortDiagnosis, APortAnotherProgramClaimedIsBusy) {
  List(0, 888, "lp");
  EXPECT_EQ(DiagnoseParallelPort(0x378, probe), Device(0) + QStringLiteral(": busy"));
  probe.heldHere = [](std::uint16_t base) { return base == 0x378; };
  EXPECT_EQ(DiagnoseParallelPort(0x378, probe), Device(0) + QStringLiteral(": ready"))
      << "our own claim is no obstacle";
}

TEST_F(PortDiagnosis, ADeviceThatRefusesAsBusyIsBusy) {
  probe.tryOpen = [](const std::string &) { return EBUSY; };
  EXPECT_EQ(DiagnoseParallelPort(0x378, probe), Device(0) + QStringLiteral(": busy"));
}

TEST(PortDiagnosisStandard, WithoutAKernelListTheStandardAddressesMapToParport0To2) {
  QTemporaryDir dir;
  PortProbe probe;
  probe.procRoot = (dir.path() + "/none").toStdString();
  probe.deviceRoot = dir.path().toStdString();
  probe.tryOpen = [](const std::string &) { return 0; };
  EXPECT_EQ(DiagnoseParallelPort(0x278, probe), dir.path() + QStringLiteral("/parport1: ready"));
  EXPECT_EQ(DiagnoseParallelPort(0x3BC, probe), dir.path() + QStringLiteral("/parport2: ready"));
  EXPECT_EQ(DiagnoseParallelPort(0x2F8, probe), QStringLiteral("02F8: no such port"));
}

} // namespace
} // namespace rindle
