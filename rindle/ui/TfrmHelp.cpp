#include "rindle/ui/TfrmHelp.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace rindle::ui {

QString HelpText() {
  // Each line at most 44 characters; the rules are 44 dashes.
  return QStringLiteral("--------------------------------------------\n"
                        " MEMORY BUFFER\n"
                        "--------------------------------------------\n"
                        "The buffer holds the program data and, for\n"
                        "a device with EEPROM, the EEPROM data right\n"
                        "after the program data. On the AT89S8252\n"
                        "the program data lies at 0x0000 to 0x1FFF\n"
                        "and the EEPROM data at 0x2000 to 0x27FF.\n"
                        "Any byte of the buffer may be edited with\n"
                        "Disp Buffer. An EEPROM file is loaded into\n"
                        "its part of the buffer from the File menu.\n"
                        "--------------------------------------------\n"
                        " DATA CHECKSUM\n"
                        "--------------------------------------------\n"
                        "The checksum shown is the 24-bit sum of the\n"
                        "program data bytes of the buffer. The\n"
                        "EEPROM bytes are not counted.\n"
                        "--------------------------------------------\n"
                        " OSCCAL BYTES\n"
                        "--------------------------------------------\n"
                        "Calibration bytes are saved only for AVR\n"
                        "chips with more than one of them, at the\n"
                        "last addresses of the memory chosen in the\n"
                        "options, where the program reads them back\n"
                        "with the LPM instruction.\n"
                        "Two bytes: the last flash word holds byte 0\n"
                        "in its low and byte 1 in its high half; the\n"
                        "last two EEPROM bytes hold bytes 0 and 1.\n"
                        "Four bytes: the last two flash words hold\n"
                        "bytes 0, 1 and 2, 3 (low half first); the\n"
                        "last four EEPROM bytes hold bytes 0 to 3 in\n"
                        "order.\n"
                        "--------------------------------------------\n"
                        "Notes\n"
                        "--------------------------------------------\n"
                        "- AT89S8253: the user signature data follows\n"
                        "  the end address of the EEPROM.\n"
                        "- A programmed reset-disable fuse ends\n"
                        "  serial programming; only a high-voltage\n"
                        "  parallel programmer can enable it again.\n"
                        "- Files with more than 64K bytes of data can\n"
                        "  be saved only as BIN or ROM: extended\n"
                        "  Intel HEX is not supported.\n"
                        "- An EEP file is an Intel HEX file.\n"
                        "- Set the fuse bytes properly before you\n"
                        "  program a chip, above all RSTDISBL.\n"
                        "--------------------------------------------\n");
}

TfrmHelp::TfrmHelp(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QStringLiteral(" Rindle Help"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("Memo1"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setBold(true);
  text_->setFont(font);
  QPalette pale = text_->palette();
  pale.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xE1));
  pale.setColor(QPalette::Text, Qt::black);
  text_->setPalette(pale);
  text_->setPlainText(HelpText());
  // Wide enough for 44 characters and the scroll bar, 24 lines high.
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(QString(44, u'-')) +
                    text_->verticalScrollBar()->sizeHint().width() + 2 * text_->frameWidth() +
                    2 * static_cast<int>(text_->document()->documentMargin()) + 4;
  text_->setFixedSize(width, metrics.lineSpacing() * 24 + 2 * text_->frameWidth() +
                                 2 * static_cast<int>(text_->document()->documentMargin()));
  layout->addWidget(text_);
}

} // namespace rindle::ui
