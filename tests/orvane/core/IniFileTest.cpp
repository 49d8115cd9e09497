#include "orvane/core/IniFile.h"

#include "TestFiles.h"
#include "tests/CaseName.h"

#include <QDir>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::readAll;
using test::Scratch;
using test::writeAll;

const QByteArray kSample = "; written by hand\n"
                           "[Global]\n"
                           "  LastDir = /srv/hex/ \n"
                           "Name=First\n"
                           "name=Second\n"
                           ";Hidden=comment\n"
                           "\n"
                           "[ Models ]\n"
                           "Model0=2207-5130 v2\n"
                           "Empty=\n";

struct ReadCase {
  const char *section;
  const char *key;
  const char *expected; // the default is "<def>"
};

void PrintTo(const ReadCase &c, std::ostream *os) {
  *os << "[" << c.section << "] " << c.key << " -> \"" << c.expected << "\"";
}

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsKeysWithoutRegardToCase) {
  Scratch s;
  writeAll(s.path("a.ini"), kSample);
  const IniFile ini(s.path("a.ini"));
  const ReadCase c = GetParam();
  EXPECT_EQ(ini.readString(QString::fromLatin1(c.section), QString::fromLatin1(c.key),
                           QStringLiteral("<def>")),
            QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    testing::Values(ReadCase{"Global", "LastDir", "/srv/hex/"},
                    ReadCase{"GLOBAL", "lastdir", "/srv/hex/"},
                    ReadCase{"global", "NAME", "First"}, // the first of two wins
                    ReadCase{"models", "model0", "2207-5130 v2"}, ReadCase{"Models", "Empty", ""},
                    ReadCase{"Models", "Model1", "<def>"}, ReadCase{"Nowhere", "Model0", "<def>"},
                    ReadCase{"Global", "Hidden", "<def>"},  // inside a comment
                    ReadCase{"Global", "Model0", "<def>"}), // belongs to another section
    [](const auto &p) {
      return testnames::caseName(std::string(p.param.section) + "_" + p.param.key);
    });

// Names are matched as the text they decode to, whatever bytes spell them.
struct NameCase {
  const char *name;
  QByteArray document;
  QString section, key;
  bool found;
  friend void PrintTo(const NameCase &c, std::ostream *os) { *os << c.name; }
};

class IniNames : public testing::TestWithParam<NameCase> {};

TEST_P(IniNames, MatchTheDecodedName) {
  const NameCase &c = GetParam();
  const IniFile ini(QStringLiteral("unused.ini"), c.document);
  EXPECT_EQ(ini.readString(c.section, c.key, QStringLiteral("-")),
            c.found ? QStringLiteral("v") : QStringLiteral("-"));
  EXPECT_EQ(ini.keyExists(c.section, c.key), c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniNames,
    testing::Values(NameCase{"UmlautInAnyCase", "[Ger\xC3\xA4t]\nSch\xC3\xBCssel=v\n",
                             QString::fromUtf8("GER\xC3\x84T"),
                             QString::fromUtf8("sch\xC3\x9CSSEL"), true},
                    NameCase{"SecondSectionBeyondAscii",
                             "[\xC2\xA0"
                             "Erste\xC2\xA0]\nk=1\n[ Zw\xC3\xB6lf ]\nk=v\n",
                             QString::fromUtf8("ZW\xC3\x96LF"), QStringLiteral("k"), true},
                    NameCase{"NoBreakSpaceTrimmed", "[\xC2\xA0Models\xC2\xA0]\n\xC2\xA0Key\t=v\n",
                             QStringLiteral("models"), QStringLiteral("KEY"), true},
                    NameCase{"KelvinSignFoldsToK", "[A]\nkey=v\n", QStringLiteral("a"),
                             QString::fromUtf8("\xE2\x84\xAA"
                                               "ey"),
                             true},
                    NameCase{"KelvinSignInTheAskedSection", "[Kasse]\nkey=v\n",
                             QString::fromUtf8("\xE2\x84\xAA"
                                               "ASSE"),
                             QStringLiteral("key"), true},
                    NameCase{"BlanksAroundTheAskedName", "[ A ]\n\v key \f=v\n",
                             QStringLiteral(" a\t"), QStringLiteral("\tKEY "), true},
                    NameCase{"BrokenUtf8IsNoMatch", "[A]\nk\xC3=v\n", QStringLiteral("A"),
                             QStringLiteral("k"), false},
                    NameCase{"AsciiLetterIsNotItsAccentedForm", "[A]\nkey=v\n", QStringLiteral("A"),
                             QString::fromUtf8("k\xC3\xA9y"), false},
                    NameCase{"SectionWithoutClosingBracket", "[Open\nkey=v\n",
                             QStringLiteral("open"), QStringLiteral("key"), true},
                    NameCase{"CommentedKey", "[A]\n ;key=v\n", QStringLiteral("A"),
                             QStringLiteral(";key"), false}),
    [](const testing::TestParamInfo<NameCase> &i) { return std::string(i.param.name); });

struct IntCase {
  const char *text;
  int expected; // default -99
};

void PrintTo(const IntCase &c, std::ostream *os) {
  *os << "\"" << c.text << "\" -> " << c.expected;
}

class IniInteger : public testing::TestWithParam<IntCase> {};

TEST_P(IniInteger, ReadsDecimalAndHexOrTheDefault) {
  Scratch s;
  writeAll(s.path("n.ini"), QByteArray("[N]\nv=") + GetParam().text + "\n");
  EXPECT_EQ(IniFile(s.path("n.ini")).readInteger(QStringLiteral("n"), QStringLiteral("V"), -99),
            GetParam().expected)
      << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, IniInteger,
                         testing::Values(IntCase{"42", 42}, IntCase{"-7", -7}, IntCase{" 8 ", 8},
                                         IntCase{"0x1F", 31}, IntCase{"0XfF", 255},
                                         IntCase{"0xFFFFFFFF", -1}, IntCase{"12abc", -99},
                                         IntCase{"", -99}, IntCase{"0x", -99}, IntCase{"0xG1", -99},
                                         IntCase{"0x123456789", -99}, IntCase{"99999999999", -99},
                                         IntCase{"3.5", -99}, IntCase{"$1F", -99}),
                         [](const auto &p) { return testnames::caseName(p.param.text); });

TEST(IniFile, MissingFileReadsAsEmpty) {
  Scratch s;
  const IniFile ini(s.path("none.ini"));
  EXPECT_TRUE(ini.loadError().isEmpty());
  EXPECT_FALSE(ini.sectionExists(QStringLiteral("Global")));
  EXPECT_EQ(ini.readString(QStringLiteral("Global"), QStringLiteral("X"), QStringLiteral("d")),
            QStringLiteral("d"));
  EXPECT_EQ(ini.readInteger(QStringLiteral("Global"), QStringLiteral("X"), 7), 7);
}

struct WriteCase {
  const char *name;
  const char *before; // nullptr: no file
  const char *section;
  const char *key;
  const char *value;
  const char *after;
  friend void PrintTo(const WriteCase &c, std::ostream *os) { *os << c.name; }
};

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyTheKey) {
  Scratch s;
  const WriteCase c = GetParam();
  const QString path = s.path("w.ini");
  if (c.before)
    writeAll(path, c.before);
  IniFile ini(path);
  ini.writeString(QString::fromLatin1(c.section), QString::fromLatin1(c.key),
                  QString::fromLatin1(c.value));
  QString error;
  ASSERT_TRUE(ini.save(&error)) << error.toStdString();
  EXPECT_EQ(readAll(path), QByteArray(c.after));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    testing::Values(
        WriteCase{"NewFile", nullptr, "Global", "LastFile", "/a/b.hex",
                  "[Global]\nLastFile=/a/b.hex\n"},
        WriteCase{"ReplaceKeepsCommentsAndKeySpelling",
                  "; mine\n[global]\nlastfile = old\nOther=1 ; keep\n", "Global", "LastFile", "new",
                  "; mine\n[global]\nlastfile=new\nOther=1 ; keep\n"},
        WriteCase{"NewKeyBeforeTheBlankLine", "[A]\nx=1\n\n[B]\ny=2\n", "a", "z", "3",
                  "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
        WriteCase{"NewSectionAtTheEnd", "[A]\nx=1\n", "B", "y", "2", "[A]\nx=1\n\n[B]\ny=2\n"},
        WriteCase{"KeepsCrLf", "[A]\r\nx=1\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
        WriteCase{"NoFinalLineBreak", "[A]\nx=1", "A", "x", "5", "[A]\nx=5"},
        WriteCase{"MixedLineEndsEachKept", "[A]\r\nx=1\ny=2\rz=3\r\n", "A", "y", "5",
                  "[A]\r\nx=1\ny=5\rz=3\r\n"},
        WriteCase{"AddedLineTakesTheFirstBreak", "[A]\nx=1\r\n", "A", "y", "2",
                  "[A]\nx=1\r\ny=2\n"},
        WriteCase{"InsertedKeyLeavesTheBareLastLineBare", "[A]\r\nx=1\n[B]\r\ny=1", "A", "z", "2",
                  "[A]\r\nx=1\nz=2\r\n[B]\r\ny=1"},
        WriteCase{"NewSectionAfterALastLineWithoutBreak", "[A]\rx=1", "B", "y", "2",
                  "[A]\rx=1\r\r[B]\ry=2"},
        WriteCase{"LineBreaksInValue", "[A]\n", "A", "x", "one\r\ntwo", "[A]\nx=one  two\n"},
        WriteCase{"ByteOrderMarkKept", "\xEF\xBB\xBF[A]\nx=1\n", "a", "x", "2",
                  "\xEF\xBB\xBF[A]\nx=2\n"},
        WriteCase{"UnknownLinesStay", "junk line\n[A]\n# odd\nx=1\n", "A", "x", "",
                  "junk line\n[A]\n# odd\nx=\n"}),
    [](const testing::TestParamInfo<WriteCase> &i) { return std::string(i.param.name); });

// Names and values are written as UTF-8; a lone surrogate, which UTF-8
// cannot hold, as '?', as the files written so far have it.
TEST(IniFile, WritesNamesAndValuesAsUtf8) {
  IniFile ini(QStringLiteral("unused.ini"), "[A]\nx=1\n");
  ini.writeString(QStringLiteral("A"), QStringLiteral("x"),
                  QString::fromUtf8("Ger\xC3\xA4t \xF0\x9F\x98\x80"));
  ini.writeString(QStringLiteral("A"), QString::fromUtf8("Schl\xC3\xBCssel"),
                  QString(QChar(0xD800)) + QStringLiteral("\n!"));
  EXPECT_EQ(ini.toBytes(), QByteArray("[A]\nx=Ger\xC3\xA4t \xF0\x9F\x98\x80\n"
                                      "Schl\xC3\xBCssel=? !\n"));
}

TEST(IniFile, ReadsFromMemoryAndWritesItBackByteForByte) {
  const QByteArray text = "\xEF\xBB\xBF; tool settings\r\n[Global]\nFunctionIndex=0x1F\r"
                          "\r\n[Models]\r\nModel1 = 2207-5130 v2\n";
  const IniFile ini(QStringLiteral("unused.ini"), text);
  EXPECT_EQ(ini.readInteger(QStringLiteral("global"), QStringLiteral("functionindex"), 7), 0x1F);
  EXPECT_EQ(ini.readString(QStringLiteral("Models"), QStringLiteral("Model1")),
            QStringLiteral("2207-5130 v2"));
  EXPECT_EQ(ini.toBytes(), text);
  EXPECT_FALSE(QFile::exists(QStringLiteral("unused.ini")));
}

// A section, a key and a value: "-" for a missing key.
struct Entry {
  const char *section, *key, *value;
};

void Write(IniFile &ini, std::initializer_list<Entry> entries) {
  for (const Entry &e : entries)
    ini.writeString(QString::fromLatin1(e.section), QString::fromLatin1(e.key),
                    QString::fromLatin1(e.value));
}

void ExpectValues(const IniFile &ini, std::initializer_list<Entry> entries) {
  for (const Entry &e : entries)
    EXPECT_EQ(ini.readString(QString::fromLatin1(e.section), QString::fromLatin1(e.key),
                             QStringLiteral("-")),
              QString::fromLatin1(e.value))
        << e.section << "/" << e.key;
}

TEST(IniFile, LookupsSeeEveryEdit) {
  IniFile ini(QStringLiteral("unused.ini"), "[A]\nx=1\n; [B]\n");
  // A new section, a new key in it, a changed key and a key added to an old
  // section: each found by the lookups after it, under any letter case.
  Write(ini, {{"B", "y", "2"}, {"b", "Z", "3"}, {"a", "X", "4"}, {"A", "w", "5"}});
  ExpectValues(ini, {{"b", "Y", "2"},
                     {"B", "z", "3"},
                     {"A", "x", "4"},
                     {"a", "W", "5"},
                     {"A", "y", "-"}}); // keys stay in their own section
  EXPECT_EQ(ini.toBytes(), QByteArray("[A]\nx=4\n; [B]\nw=5\n\n[B]\ny=2\nZ=3\n"));
}

// Sections looked up once are still found, where they now stand, after
// lines are added above them.
TEST(IniFile, SectionsFoundStayFoundAsLinesAreAddedAboveThem) {
  IniFile ini(QStringLiteral("unused.ini"), "[A]\nx=1\n\n[B]\ny=2\n\n[C]\nz=3\n");
  ExpectValues(ini, {{"C", "z", "3"}, {"B", "y", "2"}, {"A", "x", "1"}});
  Write(ini, {{"A", "a", "4"}, {"B", "b", "5"}, {"C", "z", "6"}, {"C", "c", "7"}});
  ExpectValues(ini, {{"B", "y", "2"}, {"B", "b", "5"}, {"C", "b", "-"}, {"C", "c", "7"}});
  EXPECT_EQ(ini.toBytes(), QByteArray("[A]\nx=1\na=4\n\n[B]\ny=2\nb=5\n\n[C]\nz=6\nc=7\n"));
}

// A section looked up in vain and then written is found by the next lookup
// of the same name.
TEST(IniFile, ASectionMissingAtFirstIsFoundOnceWritten) {
  IniFile ini(QStringLiteral("unused.ini"), "[A]\nx=1\n");
  const QString section = QStringLiteral("C"), key = QStringLiteral("z");
  EXPECT_EQ(ini.readString(section, key, QStringLiteral("-")), QStringLiteral("-"));
  ini.writeString(section, key, QStringLiteral("4"));
  EXPECT_EQ(ini.readString(section, key, QStringLiteral("-")), QStringLiteral("4"));
  ini.writeString(section, key, QStringLiteral("5"));
  EXPECT_EQ(ini.toBytes(), QByteArray("[A]\nx=1\n\n[C]\nz=5\n"));
}

// U+FEFF at the start of a value is a character like any other: only the
// file's first bytes can be a byte-order mark.
TEST(IniFile, AValueStartingWithAByteOrderMarkReadsBackWhole) {
  const IniFile read(QStringLiteral("unused.ini"), "[A]\nx= \xEF\xBB\xBF"
                                                   "ex \n");
  const QString value = read.readString(QStringLiteral("A"), QStringLiteral("x"));
  EXPECT_EQ(value, QString(QChar(0xFEFF)) + QStringLiteral("ex"));
  IniFile edited = read;
  edited.writeString(QStringLiteral("A"), QStringLiteral("y"), value);
  const IniFile again(QStringLiteral("unused.ini"), edited.toBytes());
  EXPECT_EQ(again.readString(QStringLiteral("A"), QStringLiteral("y")), value);
}

TEST(IniFile, WritesBackAnyLineEndsUnchanged) {
  const struct {
    const char *name;
    QByteArray text;
  } cases[] = {
      {"last line ends in a lone CR", QByteArray("[A]\nx=1\r")},
      {"a lone CR only", QByteArray("\r")},
      {"CR, CR LF, LF CR", QByteArray("\r\r\n\n\r")},
      {"no line break", QByteArray("x=1")},
      {"NUL bytes kept", QByteArray("\0\0\r\0", 4)},
      {"CR LF at the very end", QByteArray("[A]\r\n")},
  };
  for (const auto &c : cases)
    EXPECT_EQ(IniFile(QStringLiteral("unused.ini"), c.text).toBytes(), c.text) << c.name;
}

TEST(IniFile, FailedSaveReportsAndCreatesNothing) {
  Scratch s;
  const QString path = s.path("no/such/folder/x.ini");
  IniFile ini(path);
  ini.writeInteger(QStringLiteral("A"), QStringLiteral("x"), 1);
  QString error;
  EXPECT_FALSE(ini.save(&error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(QFile::exists(path));
}

// A document whose file could not be read holds nothing of it: saving it
// would replace the file's content with the few keys set since.
TEST(IniFile, ADocumentWhoseFileCouldNotBeReadIsNeverSavedOverIt) {
  Scratch s;
  const QString path = s.path("user.ini");
  ASSERT_TRUE(QDir().mkpath(path)); // cannot be read as a file, even by root
  IniFile ini(path);
  ASSERT_FALSE(ini.loadError().isEmpty());
  ini.writeInteger(QStringLiteral("A"), QStringLiteral("x"), 1);
  // The file is back, whole, by the time the document would be saved.
  ASSERT_TRUE(QDir().rmdir(path));
  writeAll(path, "[Mine]\nkeep=1\n");
  QString error;
  EXPECT_FALSE(ini.save(&error));
  EXPECT_TRUE(error.contains(ini.loadError())) << error.toStdString();
  EXPECT_EQ(readAll(path), "[Mine]\nkeep=1\n");
}

} // namespace
} // namespace orvane
