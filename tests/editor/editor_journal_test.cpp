// The journal of unsaved edits: a session's edits come back byte for byte
// in the next one, for the same content only, and the journal goes when the
// edits are saved, dropped or declined. A handler that runs out of memory
// keeps the firmware and its edits.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "core/patch/bps.h"
#include "core/patch/crc32.h"
#include "editor/editor_document.h"
#include "editor/guarded_slot.h"
#include "editor/unsaved_edits_journal.h"
#include "tests/editor/fake_user_dialogs.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::editor::testing {
namespace {

// Window 3 of DemoWindows(12, 0x1000) in bank 1: (520; 40) - (669; 119),
// PalDY 48, blend 0x83.
PaletteValues MovedRight(int dx) {
  return {520 + dx, 40, 669 + dx, 119, 48, 0x83};
}

class EditorJournalTest : public ::testing::Test {
 public:  // the table rows below reach in
  EditorJournalTest() {
    opened_ =
        orlindel::testing::FirmwareBuilder(0x40000)
            .WindowList(0x18000, orlindel::testing::DemoWindows(12, 0x1000))
            .Build();
    WriteFile(path_, opened_);
    writer_journal_.SetFolder(journals_);
    writer_.Open(path_);
  }

  static void WriteFile(const QString& path, const FirmwareImage& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<qint64>(bytes.size()));
  }
  static void WriteWindow3(EditorDocument& editor, int dx) {
    editor.Perform("Window 0x03", [dx](FirmwareDocument& document) {
      return document.WriteWindow(3, MovedRight(dx));
    });
  }
  bool JournalExists() const {
    return QFileInfo::exists(writer_journal_.FileFor(path_));
  }
  // A new session opening `path` with the journals of the first, answering
  // the restore question with `restore`.
  void Reopen(const QString& path, bool restore) {
    reader_dialogs_.restore_answers = {restore};
    reader_journal_.SetFolder(journals_);
    reader_.Open(path);
    OfferRestore(reader_, reader_journal_, reader_dialogs_);
  }

  QTemporaryDir folder_;
  QString path_ = folder_.filePath("fw.bin");
  QString journals_ = folder_.filePath("journal");
  FirmwareImage opened_;
  FakeUserDialogs dialogs_;
  EditorDocument writer_;
  UnsavedEditsJournal writer_journal_{writer_};
  FakeUserDialogs reader_dialogs_;
  EditorDocument reader_;
  UnsavedEditsJournal reader_journal_{reader_};
};

TEST_F(EditorJournalTest, RestoredEditsAreTheSameHistory) {
  WriteWindow3(writer_, 10);
  writer_.BeginDrag();
  WriteWindow3(writer_, 11);
  WriteWindow3(writer_, 12);
  writer_.EndDrag();
  EXPECT_TRUE(writer_journal_.Pending());
  writer_journal_.Flush();
  ASSERT_TRUE(JournalExists());

  Reopen(path_, true);
  EXPECT_EQ(reader_dialogs_.restore_questions, 1);
  EXPECT_EQ(reader_.Document().image(), writer_.Document().image());
  EXPECT_EQ(reader_.Document().WindowValues(3), MovedRight(12));
  EXPECT_FALSE(reader_.IsClean());
  ASSERT_EQ(reader_.History().count(), 2);  // the move and the drag
  EXPECT_EQ(reader_.History().text(0), "Window 0x03");
  reader_.Undo();
  EXPECT_EQ(reader_.Document().WindowValues(3), MovedRight(10));
  reader_.Undo();
  EXPECT_EQ(reader_.Document().image(), opened_);
  EXPECT_TRUE(reader_.IsClean());
}

TEST_F(EditorJournalTest, JournalsArePrivateAndFoundUnderAnySpelling) {
  namespace fs = std::filesystem;
  WriteWindow3(writer_, 10);
  writer_journal_.Flush();
  ASSERT_TRUE(JournalExists());
  const std::string journal = writer_journal_.FileFor(path_).toStdString();
  EXPECT_EQ(fs::status(journal).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(journals_.toStdString()).permissions(),
            fs::perms::owner_all);

  // A link to the file, and a path through "." and "..", find its journal.
  const QString link = folder_.filePath("link.bin");
  ASSERT_TRUE(QFile::link(path_, link));
  for (const QString& spelling :
       {link, folder_.path() + "/./journal/../fw.bin"}) {
    SCOPED_TRACE(spelling.toStdString());
    FakeUserDialogs dialogs;
    dialogs.restore_answers = {true};
    EditorDocument reader;
    UnsavedEditsJournal reader_journal(reader);
    reader_journal.SetFolder(journals_);
    reader.Open(spelling);
    OfferRestore(reader, reader_journal, dialogs);
    EXPECT_EQ(dialogs.restore_questions, 1);
    EXPECT_EQ(reader.Document().WindowValues(3), MovedRight(10));
  }
}

TEST_F(EditorJournalTest, ALinkInTheJournalsPlaceIsNotFollowed) {
  namespace fs = std::filesystem;
  WriteWindow3(writer_, 10);
  writer_journal_.Flush();
  const std::string journal = writer_journal_.FileFor(path_).toStdString();
  const std::string victim = folder_.filePath("victim.txt").toStdString();
  std::ofstream(victim) << "keep me";
  fs::remove(journal);
  fs::create_symlink(victim, journal);

  WriteWindow3(writer_, 11);
  writer_journal_.Flush();
  EXPECT_TRUE(fs::is_symlink(journal));
  std::ifstream read_back(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(read_back), {}),
            "keep me");
  EXPECT_TRUE(dialogs_.messages.isEmpty());  // editing goes on
}

TEST_F(EditorJournalTest, WhatASaveCouldNotKeepIsShownInTheStatusBar) {
  const QString twin = folder_.filePath("twin.bin");
  std::filesystem::create_hard_link(path_.toStdString(), twin.toStdString());
  WriteWindow3(writer_, 10);
  dialogs_.ShowSaveNotice(writer_.SaveAs(path_));
  EXPECT_EQ(dialogs_.statuses,
            QStringList{"\"" + path_ +
                        "\" was saved without its other hard links, which "
                        "keep the old contents"});
  EXPECT_TRUE(dialogs_.messages.isEmpty());
}

TEST_F(EditorJournalTest, TheEditorsTimerWritesTheJournal) {
  WriteWindow3(writer_, 4);
  EXPECT_FALSE(JournalExists());  // a drag's moves are written once
  EXPECT_TRUE(QTest::qWaitFor([&] { return JournalExists(); }, 5000));
  EXPECT_FALSE(writer_journal_.Pending());
}

TEST_F(EditorJournalTest, OtherContentIsNotOffered) {
  WriteWindow3(writer_, 10);
  writer_journal_.Flush();
  const struct {
    const char* name;
    int64_t changed_offset;  // -1: none
    bool append;
  } rows[] = {{"one byte outside the edits", 0x100, false},
              {"one byte longer", -1, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FirmwareImage other = opened_;
    if (row.changed_offset >= 0) other[row.changed_offset] ^= 0x01;
    if (row.append) other.push_back(0);
    WriteFile(path_, other);
    Reopen(path_, true);
    EXPECT_EQ(reader_dialogs_.restore_questions, 0);
    EXPECT_EQ(reader_.Document().image(), other);
    EXPECT_TRUE(reader_.IsClean());
  }
  // The same content under another name has no journal.
  const QString copy = folder_.filePath("copy.bin");
  WriteFile(copy, opened_);
  Reopen(copy, true);
  EXPECT_EQ(reader_dialogs_.restore_questions, 0);
}

TEST_F(EditorJournalTest, DecliningSavingOrDroppingDeletesTheJournal) {
  const struct {
    const char* name;
    void (*settle)(EditorJournalTest&);
  } rows[] = {
      {"declined",
       [](EditorJournalTest& test) {
         test.Reopen(test.path_, false);
         EXPECT_EQ(test.reader_dialogs_.restore_questions, 1);
         EXPECT_EQ(test.reader_.Document().image(), test.opened_);
       }},
      {"saved",
       [](EditorJournalTest& test) { test.writer_.SaveAs(test.path_); }},
      {"dropped",
       [](EditorJournalTest& test) { test.writer_journal_.Forget(); }},
      {"undone to the file",
       [](EditorJournalTest& test) { test.writer_.Undo(); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile(path_, opened_);
    writer_.Open(path_);
    WriteWindow3(writer_, 7);
    writer_journal_.Flush();
    ASSERT_TRUE(JournalExists());
    row.settle(*this);
    EXPECT_FALSE(JournalExists());
    EXPECT_FALSE(writer_journal_.Pending());
  }
}

TEST_F(EditorJournalTest, UndoingPastASaveIsJournalledAgainstTheSavedFile) {
  WriteWindow3(writer_, 10);
  writer_.SaveAs(path_);
  writer_.Undo();  // back to the file as first opened
  writer_journal_.Flush();
  ASSERT_TRUE(JournalExists());
  Reopen(path_, true);
  EXPECT_EQ(reader_dialogs_.restore_questions, 1);
  EXPECT_EQ(reader_.Document().image(), opened_);
  EXPECT_FALSE(reader_.IsClean());
  EXPECT_EQ(reader_.History().text(0), "Undo Window 0x03");

  // An edit after that undo drops the saved state from the history: the
  // journal then holds the difference to the saved file.
  WriteWindow3(writer_, 3);
  writer_journal_.Flush();
  EditorDocument third;
  UnsavedEditsJournal third_journal(third);
  third_journal.SetFolder(journals_);
  reader_dialogs_.restore_answers = {true};
  third.Open(path_);
  OfferRestore(third, third_journal, reader_dialogs_);
  EXPECT_EQ(third.Document().WindowValues(3), MovedRight(3));
  EXPECT_EQ(third.Document().image(), writer_.Document().image());
}

// A patch that changes 17 MiB: its journal holds a changed range thousands
// of times larger than the few bytes of an ordinary edit (and larger than the
// first format could read back: four hex digits for each byte), and the next
// session still restores it byte for byte.
TEST_F(EditorJournalTest, AJournalOfAPatchOverTensOfMiBRestores) {
  constexpr size_t kMiB = size_t{1} << 20;
  const FirmwareImage large =
      orlindel::testing::FirmwareBuilder(19 * kMiB)
          .WindowList(0x18000, orlindel::testing::DemoWindows(12, 0x1000))
          .Build();
  FirmwareImage patched = large;
  for (size_t at = kMiB; at < 18 * kMiB; ++at)
    patched[at] = static_cast<uint8_t>(at);
  const std::vector<uint8_t> patch = MakeBpsPatch(large, patched);
  const QString large_path = folder_.filePath("large.bin");
  WriteFile(large_path, large);
  writer_.Open(large_path);
  writer_.Perform("Apply patch large.bps", [&](FirmwareDocument& document) {
    return document.ApplyPatch(patch);
  });
  ASSERT_EQ(writer_.Document().image(), patched);
  writer_journal_.Flush();
  ASSERT_TRUE(QFileInfo::exists(writer_journal_.FileFor(large_path)));

  Reopen(large_path, true);
  EXPECT_EQ(reader_dialogs_.restore_questions, 1);
  EXPECT_TRUE(reader_.Document().image() == patched);
  ASSERT_EQ(reader_.History().count(), 1);
  EXPECT_EQ(reader_.History().text(0), "Apply patch large.bps");
  reader_.Undo();
  EXPECT_TRUE(reader_.Document().image() == large);
  EXPECT_TRUE(reader_.IsClean());
}

// A journal left by an earlier version, in the first format (JSON, the
// bytes in hex) under its name then, is offered and restored as well.
TEST_F(EditorJournalTest, AJournalOfTheFirstFormatIsStillOffered) {
  WriteWindow3(writer_, 10);
  const auto& command =
      static_cast<const ImageEditCommand&>(*writer_.History().command(0));
  const auto hex = [](const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex();
  };
  QByteArray edits;
  for (const ByteEdit& edit : command.edits())
    edits += (edits.isEmpty() ? "" : ",") + QByteArray("{\"new\":\"") +
             hex(edit.new_bytes) +
             "\",\"offset\":" + QByteArray::number(edit.offset) +
             ",\"old\":\"" + hex(edit.old_bytes) + "\"}";
  const QByteArray text =
      "{\"crc32\":" + QByteArray::number(Crc32(opened_)) +
      ",\"entries\":[{\"edits\":[" + edits +
      "],\"text\":\"Window "
      "0x03\"}],\"format\":\"orlindel-journal\",\"path\":\"" +
      QFile::encodeName(QFileInfo(path_).canonicalFilePath()) +
      "\",\"size\":" + QByteArray::number(qsizetype(opened_.size())) +
      ",\"version\":1}\n";
  QString old_name = writer_journal_.FileFor(path_);
  old_name.replace(".journal", ".json");
  ASSERT_TRUE(QDir().mkpath(journals_));
  QFile old_file(old_name);
  ASSERT_TRUE(old_file.open(QIODevice::WriteOnly));
  old_file.write(text);
  old_file.close();
  ASSERT_FALSE(JournalExists());

  Reopen(path_, true);
  EXPECT_EQ(reader_dialogs_.restore_questions, 1);
  EXPECT_EQ(reader_.Document().image(), writer_.Document().image());
  ASSERT_EQ(reader_.History().count(), 1);
  EXPECT_EQ(reader_.History().text(0), "Window 0x03");
  // Once the edits are saved, the old journal goes with the new one.
  reader_.SaveAs(path_);
  EXPECT_FALSE(QFileInfo::exists(old_name));
}

TEST_F(EditorJournalTest, RunningOutOfMemoryKeepsTheEdits) {
  WriteWindow3(writer_, 10);
  const FirmwareImage edited = writer_.Document().image();
  RunGuarded(dialogs_, [&] {
    writer_.Perform("Window 0x03", [](FirmwareDocument&) -> EditList {
      throw std::bad_alloc();
    });
  });
  EXPECT_EQ(dialogs_.messages, QStringList({kOutOfMemoryMessage}));
  EXPECT_EQ(writer_.Document().image(), edited);
  EXPECT_EQ(writer_.History().count(), 1);
  EXPECT_FALSE(writer_.IsClean());
}

// A session killed outright: the next one restores what it had, byte for
// byte.
TEST_F(EditorJournalTest, EditsOfAKilledSessionComeBack) {
  QProcess child;
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(ORLINDEL_JOURNAL_CHILD, {path_, journals_});
  ASSERT_TRUE(child.waitForStarted(10000));
  QByteArray said;
  while (!said.contains('\n') && child.waitForReadyRead(20000))
    said += child.readAll();
  ASSERT_TRUE(said.startsWith("ready ")) << said.toStdString();
  child.kill();  // SIGKILL: no handler, no clean-up runs
  ASSERT_TRUE(child.waitForFinished(10000));
  EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

  Reopen(path_, true);
  EXPECT_EQ(reader_dialogs_.restore_questions, 1);
  EXPECT_EQ(
      QString::asprintf("ready %08x\n", Crc32(reader_.Document().image())),
      QString::fromLatin1(said));
  EXPECT_EQ(reader_.Document().WindowValues(3), MovedRight(12));
  EXPECT_EQ(reader_.History().count(), 2);
  EXPECT_FALSE(reader_.IsClean());
  while (reader_.History().canUndo()) reader_.Undo();
  EXPECT_EQ(reader_.Document().image(), opened_);
}

}  // namespace
}  // namespace orlindel::editor::testing
