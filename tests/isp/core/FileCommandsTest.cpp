// The program-file commands both programmers share, over a small target that
// records what they asked of it: which filter gives which name and format,
// how a reload picks its format, what a declined overwrite or a refused
// format leaves behind, and when a buffer edit drops the file names.

#include <array>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/testing/ScriptedPrompter.h"
#include "isp/core/FileCommands.h"

namespace rindle {
namespace {

using Icon = common::Prompter::Icon;
using ShownKind = common::ScriptedPrompter::Shown::Kind;

// Three filters, three formats, as the newer edition's program file.
FileDialogTexts ThreeFormats() {
  return {QStringLiteral("Open"),
          QStringLiteral("Save"),
          {{QStringLiteral("Hex (*.hex)"), QStringLiteral(".hex"), FileFormat::Hex},
           {QStringLiteral("Bin (*.bin)"), QStringLiteral(".bin"), FileFormat::Bin},
           {QStringLiteral("Rom (*.rom)"), QStringLiteral(".rom"), FileFormat::Rom}},
          QStringLiteral("Replace it?")};
}

// One format behind every filter, as the older edition's.
FileDialogTexts HexOnly() {
  return {QStringLiteral("Open"),
          QStringLiteral("Save"),
          {{QStringLiteral("Hex (*.hex)"), QStringLiteral(".hex"), FileFormat::Hex},
           {QStringLiteral("All (*.*)"), QStringLiteral(".hex"), FileFormat::Hex}},
          QStringLiteral("Replace it?")};
}

struct FakeTarget : FileCommandTarget {
  QString name;
  QString folder = QStringLiteral("/start");
  QString result = QStringLiteral("OK");
  QString refusal;
  bool changedNothing = false;
  std::int32_t checksum = 0;
  std::int32_t shown = 0;
  std::vector<FileFormat> loads, saves;
  bool namesDropped = false;
  int statusUpdates = 0;
  int loadedHooks = 0, savedHooks = 0;

  QString ProgramFileName() const override { return name; }
  void SetProgramFileName(const QString &n) override { name = n; }
  QString DialogFolder() const override { return folder; }
  QString LoadProgram(FileFormat f) override {
    loads.push_back(f);
    return result;
  }
  QString SaveProgram(FileFormat f) override {
    saves.push_back(f);
    return result;
  }
  bool LoadChangedNothing() const override { return changedNothing; }
  void BlankLoadedCells() override { checksum = -1; }
  void DropFileNames() override {
    namesDropped = true;
    name.clear();
  }
  std::int32_t BufferChecksum() override { return checksum; }
  std::int32_t DisplayedChecksum() const override { return shown; }
  void UpdateFilename() override { ++statusUpdates; }
  void GetFilePath() override {
    if (!name.isEmpty())
      folder = name.section(u'/', 0, -2);
  }
  void ShowChecksum() override { shown = checksum; }
  void ProgramLoaded() override { ++loadedHooks; }
  void ProgramSaved() override { ++savedHooks; }
  QString SaveRefusal(FileFormat) override { return refusal; }
};

class SharedFileCommands : public ::testing::Test {
protected:
  QTemporaryDir dir;
  FakeTarget target;
  common::ScriptedPrompter prompter;

  FileCommandFlow Flow(FileDialogTexts kind) { return {target, prompter, {std::move(kind)}}; }
  QString Existing(const char *name) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    return path;
  }
};

// ---- Open: a format read only, and a load that changed nothing ----

TEST_F(SharedFileCommands, AnOpenOnlyFormatIsOfferedLastAndNeverForSaving) {
  FileDialogTexts kind = ThreeFormats();
  kind.openOnly = {{QStringLiteral("Elf (*.elf)"), QStringLiteral(".elf"), FileFormat::Elf}};
  auto flow = Flow(kind);
  prompter.fileNames = {Existing("app.elf"), dir.filePath("out")};
  prompter.filterChoices = {3, 3};
  flow.OpenFile();
  EXPECT_EQ(prompter.shown.at(0).filter, "Hex (*.hex);;Bin (*.bin);;Rom (*.rom);;Elf (*.elf)");
  EXPECT_EQ(target.loads, std::vector<FileFormat>{FileFormat::Elf});
  flow.ReloadFile(); // by the extension
  EXPECT_EQ(target.loads, (std::vector<FileFormat>{FileFormat::Elf, FileFormat::Elf}));
  flow.SaveFile(); // the fourth filter is not the save dialog's
  EXPECT_EQ(prompter.shown.back().filter, "Hex (*.hex);;Bin (*.bin);;Rom (*.rom)");
  EXPECT_EQ(target.saves, std::vector<FileFormat>{FileFormat::Hex});
}

struct UnchangedCase {
  const char *name;
  bool reload;
  const char *result; // empty: the user declined, nothing is said
};
void PrintTo(const UnchangedCase &c, std::ostream *os) { *os << c.name; }
class LoadChangedNothing : public SharedFileCommands,
                           public ::testing::WithParamInterface<UnchangedCase> {};

TEST_P(LoadChangedNothing, KeepsTheCurrentFileAndTheCells) {
  const UnchangedCase &c = GetParam();
  auto flow = Flow(ThreeFormats());
  target.name = Existing("current.hex");
  target.checksum = target.shown = 0x1234;
  target.result = QString::fromLatin1(c.result);
  target.changedNothing = true;
  if (c.reload) {
    flow.ReloadFile();
  } else {
    prompter.fileNames = {dir.filePath("refused.bin")};
    flow.OpenFile();
  }
  EXPECT_EQ(target.loads.size(), 1u);
  EXPECT_EQ(target.name, dir.filePath("current.hex"));
  EXPECT_EQ(target.checksum, 0x1234); // no cell blanked
  EXPECT_EQ(target.loadedHooks, 0);
  const QStringList expected =
      *c.result != 0 ? QStringList{QString::fromLatin1(c.result)} : QStringList{};
  EXPECT_EQ(prompter.messages(), expected);
  if (*c.result != 0)
    EXPECT_EQ(prompter.shown.back().icon, Icon::Warning);
}

INSTANTIATE_TEST_SUITE_P(
    Loads, LoadChangedNothing,
    ::testing::Values(UnchangedCase{"OpenRefused", false, "refused.bin not loaded"},
                      UnchangedCase{"OpenDeclined", false, ""},
                      UnchangedCase{"ReloadRefused", true, "current.hex not loaded"}),
    [](const auto &p) { return std::string(p.param.name); });

// ---- Save: the picked filter's suffix and format ----

struct SaveCase {
  const char *name;
  bool hexOnly;
  int filter;
  const char *typed;
  const char *saved;
  FileFormat format;
};
void PrintTo(const SaveCase &c, std::ostream *os) { *os << c.name; }

class SaveByFilter : public SharedFileCommands, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveByFilter, NamesAndWritesTheFile) {
  const SaveCase &c = GetParam();
  auto flow = Flow(c.hexOnly ? HexOnly() : ThreeFormats());
  prompter.fileNames = {dir.filePath(QString::fromLatin1(c.typed))};
  prompter.filterChoices = {c.filter};
  flow.SaveFile();
  EXPECT_EQ(target.name, dir.filePath(QString::fromLatin1(c.saved)));
  ASSERT_EQ(target.saves.size(), 1u);
  EXPECT_EQ(target.saves[0], c.format);
  EXPECT_EQ(target.savedHooks, 1);
  EXPECT_EQ(target.folder, dir.path());
}

INSTANTIATE_TEST_SUITE_P(
    Filters, SaveByFilter,
    ::testing::Values(
        SaveCase{"BareNameThroughBinGetsBin", false, 1, "out", "out.bin", FileFormat::Bin},
        SaveCase{"BareNameThroughRomGetsRom", false, 2, "out", "out.rom", FileFormat::Rom},
        SaveCase{"AnExtensionStaysAndTheFilterStillChoosesTheFormat", false, 1, "out.hex",
                 "out.hex", FileFormat::Bin},
        SaveCase{"AnUnknownFilterIndexActsAsTheFirst", false, -1, "out", "out.hex",
                 FileFormat::Hex},
        SaveCase{"AllFilesStillSavesHex", true, 1, "out", "out.hex", FileFormat::Hex},
        SaveCase{"AllFilesKeepsATypedExtension", true, 1, "out.txt", "out.txt", FileFormat::Hex}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(SharedFileCommands, DecliningTheOverwriteKeepsTheCurrentFile) {
  auto flow = Flow(ThreeFormats());
  target.name = dir.filePath("current.hex");
  Existing("other.bin");
  prompter.fileNames = {dir.filePath("other")};
  prompter.filterChoices = {1};
  prompter.answers = {false};
  flow.SaveFile();
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].kind, ShownKind::Question);
  EXPECT_EQ(prompter.shown[1].text, "Replace it?");
  EXPECT_EQ(prompter.shown[1].icon, Icon::Warning);
  EXPECT_FALSE(prompter.shown[1].defaultYes);
  EXPECT_EQ(target.name, dir.filePath("current.hex"));
  EXPECT_TRUE(target.saves.empty());
  EXPECT_EQ(target.statusUpdates, 0);
}

// Nothing was written under the chosen name: the current file stays, as
// after a declined overwrite, so that a reload reads a file that exists.
TEST_F(SharedFileCommands, ARefusedFormatSaysWhyAndKeepsTheCurrentFile) {
  auto flow = Flow(ThreeFormats());
  target.name = QStringLiteral("/projects/current.bin");
  target.folder = QStringLiteral("/projects");
  target.refusal = QStringLiteral("too big for this format");
  prompter.fileNames = {dir.filePath("big")};
  flow.SaveFile();
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].caption, "  Save File");
  EXPECT_EQ(prompter.shown[1].text, "too big for this format");
  EXPECT_EQ(prompter.shown[1].icon, Icon::Information);
  EXPECT_TRUE(target.saves.empty());
  EXPECT_EQ(target.savedHooks, 0);
  EXPECT_EQ(target.name, "/projects/current.bin");
  EXPECT_EQ(target.folder, "/projects");
  EXPECT_EQ(target.statusUpdates, 0);
}

TEST_F(SharedFileCommands, EachDialogStartsWithTheFilterPickedLast) {
  auto flow = Flow(ThreeFormats());
  target.result = QStringLiteral("unreadable");
  prompter.fileNames = {dir.filePath("a.rom"), dir.filePath("b.rom")};
  prompter.filterChoices = {2};
  flow.OpenFile();
  flow.OpenFile();
  prompter.fileNames = {dir.filePath("c")};
  flow.SaveFile();
  std::vector<int> starts;
  for (const auto &s : prompter.shown)
    if (s.kind != ShownKind::Message)
      starts.push_back(s.startFilter);
  EXPECT_EQ(starts, (std::vector<int>{0, 2, 0})) << "open and save remember separately";
}

// ---- Reload: the format by the name ----

struct ReloadCase {
  const char *name;
  bool hexOnly;
  const char *file;
  std::optional<FileFormat> format; // none: refused with `message`
  const char *message;
};
void PrintTo(const ReloadCase &c, std::ostream *os) { *os << c.name; }

class ReloadByName : public SharedFileCommands, public ::testing::WithParamInterface<ReloadCase> {};

TEST_P(ReloadByName, PicksTheFormatOrRefuses) {
  const ReloadCase &c = GetParam();
  auto flow = Flow(c.hexOnly ? HexOnly() : ThreeFormats());
  target.name = Existing(c.file);
  flow.ReloadFile();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, "  Reload File");
  EXPECT_EQ(prompter.shown[0].text, QString::fromLatin1(c.message));
  if (!c.format) {
    EXPECT_TRUE(target.loads.empty());
    EXPECT_EQ(prompter.shown[0].icon, Icon::Warning);
    return;
  }
  EXPECT_EQ(target.loads, std::vector<FileFormat>{*c.format});
  EXPECT_EQ(prompter.shown[0].icon, Icon::None);
  EXPECT_EQ(target.loadedHooks, 0) << "a reload does not reread what lives beside the file";
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReloadByName,
    ::testing::Values(
        ReloadCase{"CapitalHexIsHex", false, "Blink.HEX", FileFormat::Hex, "BLINK.HEX  reload OK"},
        ReloadCase{"BinIsBin", false, "image.bin", FileFormat::Bin, "IMAGE.BIN  reload OK"},
        ReloadCase{"UnknownExtensionRefused", false, "image.txt", std::nullopt,
                   "Cannot reload a file of type \".txt\""},
        ReloadCase{"NoExtensionRefused", false, "image", std::nullopt,
                   "Cannot reload a file of type \"no extension\""},
        ReloadCase{"OneFormatReadsAnyName", true, "image.txt", FileFormat::Hex,
                   "IMAGE.TXT  reload OK"}),
    [](const auto &p) { return std::string(p.param.name); });

// A file that is gone, or no file at all, has put nothing into the cells:
// they stay, with the name, and the message names the file and the reason.
TEST_F(SharedFileCommands, AReloadOfAFileThatCannotBeReadChangesNothing) {
  auto flow = Flow(ThreeFormats());
  target.checksum = target.shown = 0x1234;
  const QString folder = Existing("folder.hex");
  ASSERT_TRUE(QFile::remove(folder) && QDir().mkdir(folder));
  const std::array<std::pair<QString, QString>, 2> cases{
      {{dir.filePath("gone.hex"), "No such file or directory"}, {folder, "Not a file"}}};
  for (const auto &[name, reason] : cases) {
    prompter.shown.clear();
    target.name = name;
    flow.ReloadFile();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].caption, "  Reload File");
    EXPECT_EQ(prompter.shown[0].text, "File access error . . .\r" + name + "\r" + reason);
    EXPECT_EQ(prompter.shown[0].icon, Icon::Warning);
    EXPECT_TRUE(target.loads.empty());
    EXPECT_EQ(target.name, name);
    EXPECT_EQ(target.shown, 0x1234) << "the cells were not blanked";
    EXPECT_EQ(target.statusUpdates, 0);
  }
}

TEST_F(SharedFileCommands, AFailedOpenBlanksTheCellsDropsTheNameThenSaysWhy) {
  auto flow = Flow(ThreeFormats());
  target.name = dir.filePath("before.hex");
  target.checksum = 0x1234;
  target.result = QStringLiteral("Data Checksum Error . . .");
  prompter.fileNames = {dir.filePath("bad.hex")};
  flow.OpenFile();
  EXPECT_TRUE(target.name.isEmpty());
  EXPECT_EQ(target.shown, -1) << "the window shows the blank cells' checksum";
  EXPECT_EQ(target.folder, dir.path()) << "the next dialog starts where the file was";
  EXPECT_EQ(target.loadedHooks, 0);
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].caption, "  Open File");
  EXPECT_EQ(prompter.shown[1].text, "Data Checksum Error . . .");
  EXPECT_EQ(prompter.shown[1].icon, Icon::Warning);
}

// ---- A buffer edit and the file names ----

struct EditCase {
  const char *name;
  bool edited;
  std::int32_t checksum, shown;
  bool dropped;
};
void PrintTo(const EditCase &c, std::ostream *os) { *os << c.name; }

class AfterEdit : public SharedFileCommands, public ::testing::WithParamInterface<EditCase> {};

TEST_P(AfterEdit, DropsTheNamesOnlyWhenTheChecksumMoved) {
  const EditCase &c = GetParam();
  auto flow = Flow(ThreeFormats());
  target.name = dir.filePath("blink.hex");
  target.checksum = c.checksum;
  target.shown = c.shown;
  flow.BufferEdited(c.edited);
  EXPECT_EQ(target.namesDropped, c.dropped);
  EXPECT_EQ(target.shown, c.dropped ? c.checksum : c.shown);
  EXPECT_EQ(target.folder, dir.path()) << "the folder is kept while the name is known";
}

INSTANTIATE_TEST_SUITE_P(Edits, AfterEdit,
                         ::testing::Values(EditCase{"ChecksumMoved", true, 0x10, 0x20, true},
                                           EditCase{"SameChecksum", true, 0x10, 0x10, false},
                                           EditCase{"NotEdited", false, 0x10, 0x20, false}),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- The fill dialog's check ----

struct FillCase {
  const char *name;
  const char *start, *end, *data;
  const char *message; // "" = filled
  Icon icon;
};
void PrintTo(const FillCase &c, std::ostream *os) { *os << c.name; }

class Fill : public ::testing::TestWithParam<FillCase> {};

TEST_P(Fill, FillsOnlyWhatItCanReach) {
  const FillCase &c = GetParam();
  std::array<std::uint8_t, 20> cells{};
  cells.fill(0xFF);
  common::ScriptedPrompter prompter;
  // The dialog reaches the first 16 cells; the rest are beyond the device.
  const bool filled = FillCells(std::span(cells).first(16), QString::fromLatin1(c.start),
                                QString::fromLatin1(c.end), QString::fromLatin1(c.data), prompter);
  EXPECT_EQ(cells[16], 0xFF) << "nothing past the reachable cells";
  if (*c.message == '\0') {
    EXPECT_TRUE(filled);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(cells[15], 0x5A);
    return;
  }
  EXPECT_FALSE(filled);
  EXPECT_EQ(cells[15], 0xFF);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, "FILL BUFFER");
  EXPECT_EQ(prompter.shown[0].text, c.message);
  EXPECT_EQ(prompter.shown[0].icon, c.icon);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Fill,
    ::testing::Values(
        FillCase{"LastReachableCell", "F", "F", "5A", "", Icon::None},
        FillCase{"SurroundingBlanksAreIgnored", " 0 ", "F ", " 5a", "", Icon::None},
        FillCase{"OnePastTheEnd", "0", "10", "5A", "Error Address Out of Range", Icon::Warning},
        FillCase{"DataAboveAByte", "0", "F", "100", "Invalid Hex Data Input", Icon::Error},
        FillCase{"NotHex", "0", "F", "G1", "Invalid Hex Data Input", Icon::Error},
        FillCase{"EmptyStart", "", "F", "5A", "Invalid Hex Data Input", Icon::Error},
        FillCase{"EmptyData", "0", "F", "", "Invalid Hex Data Input", Icon::Error},
        FillCase{"EndBeforeStart", "F", "E", "5A", "Error End Address less than Start Address",
                 Icon::Warning}),
    [](const auto &p) { return std::string(p.param.name); });

} // namespace
} // namespace rindle
