#include "DialogFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "rindle/ui/TfrmDispBuf.h"
#include "rindle/ui/TfrmEditBuffer.h"
#include "rindle/ui/TfrmFillBuffer.h"
#include "rindle/ui/TfrmFuses.h"
#include "rindle/ui/TfrmOptions.h"

namespace rindle::testing {
namespace {

struct ShotDevice {
  const char *name;
  std::uint16_t device;
  friend void PrintTo(const ShotDevice &c, std::ostream *out) { *out << c.name; }
};

class Screenshots : public DialogTest, public ::testing::WithParamInterface<ShotDevice> {
protected:
  // Every caption fits: no label, box or button is narrower than its text.
  static void ExpectNoClippedCaption(QWidget &w) {
    for (QAbstractButton *b : w.findChildren<QAbstractButton *>()) {
      if (!b->text().isEmpty()) {
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->objectName().toStdString();
      }
    }
    for (QLabel *l : w.findChildren<QLabel *>()) {
      if (!l->wordWrap()) {
        EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
      }
    }
  }
};

TEST_P(Screenshots, FusesBufferAndOptionsDialogs) {
  const ShotDevice &c = GetParam();
  Select(c.device);
  for (std::size_t i = 0; i < 600; ++i)
    engine.Buffer.all()[i] = static_cast<std::uint8_t>(i * 7);
  engine.Fuses.FuseLow = 0xE1;
  engine.Fuses.FuseHigh = 0xD9;
  engine.Fuses.LockBits = 0x01;

  TfrmFuses fuses(engine, prompter);
  fuses.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&fuses));
  ExpectNoClippedCaption(fuses);
  Screenshot(fuses, QStringLiteral("fuses-%1").arg(QString::fromLatin1(c.name)));
  fuses.close();

  TfrmFillBuffer fill(engine, prompter);
  TfrmEditBuffer edit(engine, prompter);
  TfrmDispBuf disp(engine, prompter);
  disp.SetBufferDialogs(fill, edit);
  disp.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&disp));
  ExpectNoClippedCaption(disp);
  Screenshot(disp, QStringLiteral("dispbuf-%1").arg(QString::fromLatin1(c.name)));
  WhenModal([&](QDialog &d) {
    ExpectNoClippedCaption(d);
    Screenshot(d, QStringLiteral("fill-%1").arg(QString::fromLatin1(c.name)));
  });
  Click(Find<QPushButton>(disp, "cmdFillBuffer"));
  WhenModal([&](QDialog &d) {
    ExpectNoClippedCaption(d);
    Screenshot(d, QStringLiteral("edit-%1").arg(QString::fromLatin1(c.name)));
  });
  Click(Find<QPushButton>(disp, "cmdEdit"));

  TfrmOptions options(engine, prompter);
  options.SetPortDiagnosis([](quint16) {
    return QStringLiteral("/dev/parport0: permission denied (join the group lp that owns "
                          "/dev/parport0)");
  });
  options.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&options));
  ExpectNoClippedCaption(options);
  Screenshot(options, QStringLiteral("options-%1").arg(QString::fromLatin1(c.name)));
}

INSTANTIATE_TEST_SUITE_P(Devices, Screenshots,
                         ::testing::Values(ShotDevice{"MEGA128", device::kMega128},
                                           ShotDevice{"AT89S8253", device::kAt89S8253},
                                           ShotDevice{"TINY13", device::kTiny13}),
                         CaseName());

} // namespace
} // namespace rindle::testing
