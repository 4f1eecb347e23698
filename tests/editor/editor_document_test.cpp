// The editor's document: every operation is one history entry, a failing
// one leaves what it stored undoable, drags merge, undo and redo are exact,
// every change is one Changed signal, and an open that runs out of memory
// keeps the firmware that was open.
#include "editor/editor_document.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <new>

#include "core/errors.h"
#include "core/history/image_diff.h"
#include "tests/editor/failing_allocations.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::editor::testing {
namespace {

// Window 3 of DemoWindows(12, 0x1000) in bank 1: (520; 40) - (669; 119),
// PalDY 48, blend 0x83.
const PaletteValues kWindow3{520, 40, 669, 119, 48, 0x83};

PaletteValues MovedRight(int dx) {
  PaletteValues values = kWindow3;
  values.left += dx;
  values.right += dx;
  return values;
}

class EditorDocumentTest : public ::testing::Test {
 protected:
  EditorDocumentTest() {
    opened_ =
        orlindel::testing::FirmwareBuilder(0x40000)
            .WindowList(0x18000, orlindel::testing::DemoWindows(12, 0x1000))
            .Build();
    const QString path = folder_.filePath("fw.bin");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(opened_.data()),
               static_cast<qint64>(opened_.size()));
    file.close();
    editor_.Open(path);
  }

  void WriteWindow3(const PaletteValues& values) {
    editor_.Perform("Window 0x03", [&](FirmwareDocument& document) {
      return document.WriteWindow(3, values);
    });
  }
  const FirmwareImage& Image() { return editor_.Document().image(); }
  int Entries() { return editor_.History().count(); }

  QTemporaryDir folder_;
  EditorDocument editor_;
  FirmwareImage opened_;
};

TEST_F(EditorDocumentTest, EachOperationIsOneEntryUndoneExactly) {
  EXPECT_EQ(Image(), opened_);
  EXPECT_TRUE(editor_.IsClean());
  WriteWindow3(MovedRight(10));
  WriteWindow3(MovedRight(20));
  EXPECT_EQ(Entries(), 2);
  EXPECT_FALSE(editor_.IsClean());
  EXPECT_EQ(editor_.Document().WindowValues(3), MovedRight(20));
  editor_.Undo();
  EXPECT_EQ(editor_.Document().WindowValues(3), MovedRight(10));
  editor_.Undo();
  EXPECT_EQ(Image(), opened_);
  editor_.Redo();
  EXPECT_EQ(editor_.Document().WindowValues(3), MovedRight(10));
  EXPECT_TRUE(IsImageChecksumValid(Image()));
}

TEST_F(EditorDocumentTest, AnOperationThatChangesNothingAddsNoEntry) {
  WriteWindow3(kWindow3);
  EXPECT_EQ(Entries(), 0);
  EXPECT_TRUE(editor_.IsClean());
}

TEST_F(EditorDocumentTest, AFailedOperationLeavesWhatItStoredUndoable) {
  // Left is stored, Right 70000 is refused before the checksum is fixed.
  PaletteValues values = kWindow3;
  values.left = 530;
  values.right = 70000;
  EXPECT_THROW(WriteWindow3(values), RangeError);
  ASSERT_EQ(Entries(), 1);
  EXPECT_EQ(editor_.Document().WindowValues(3).left, 530);
  editor_.Undo();
  EXPECT_EQ(Image(), opened_);
}

TEST_F(EditorDocumentTest, WritesOfOneDragMergeIntoOneEntry) {
  struct Row {
    const char* name;
    bool in_drag;
    int expected_entries;
  };
  const Row rows[] = {{"drag", true, 1}, {"separate", false, 3}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.in_drag) editor_.BeginDrag();
    for (int dx : {1, 2, 3}) WriteWindow3(MovedRight(dx));
    if (row.in_drag) editor_.EndDrag();
    EXPECT_EQ(Entries(), row.expected_entries);
    while (editor_.History().canUndo()) editor_.Undo();
    EXPECT_EQ(Image(), opened_);
    editor_.History().clear();
  }
}

// The views learn of every change through one signal, sent once the
// history has moved (so the modified mark reads the new clean state).
TEST_F(EditorDocumentTest, EveryChangeIsOneChangedSignal) {
  QSignalSpy changed(&editor_, &EditorDocument::Changed);
  std::vector<bool> clean_seen;
  QObject::connect(&editor_, &EditorDocument::Changed, &editor_,
                   [&] { clean_seen.push_back(editor_.IsClean()); });
  WriteWindow3(MovedRight(5));
  EXPECT_EQ(changed.count(), 1);  // the push
  editor_.Undo();
  EXPECT_EQ(changed.count(), 2);
  editor_.Undo();  // nothing left to undo: no change, no signal
  editor_.Redo();
  EXPECT_EQ(changed.count(), 3);
  WriteWindow3(MovedRight(5));  // the same bytes: no entry, no signal
  EXPECT_EQ(changed.count(), 3);
  const EditList edits = DiffImages(opened_, Image());
  ASSERT_FALSE(edits.empty());
  // The first run is Left's low byte; Right's run stays changed.
  editor_.RevertChange(edits.front());
  EXPECT_EQ(changed.count(), 4);
  EXPECT_EQ(editor_.Document().WindowValues(3),
            (PaletteValues{520, 40, 674, 119, 48, 0x83}));
  EXPECT_EQ(Entries(), 2);  // the write and the revert
  editor_.Restore({{"Window 0x03", DiffImages(Image(), [&] {
                      FirmwareImage moved = Image();
                      moved[0x1000] ^= 1;
                      return moved;
                    }())}});
  EXPECT_EQ(changed.count(), 5);  // the replay of a journal
  EXPECT_EQ(clean_seen, (std::vector<bool>{false, true, false, false, false}));
  // A checksum fix, when one is due, is a push; the save itself changes the
  // clean state, and that is the last signal.
  const qsizetype before_save = changed.count();
  editor_.SaveAs(folder_.filePath("saved.bin"));
  EXPECT_GT(changed.count(), before_save);
  EXPECT_TRUE(clean_seen.back());
  QSignalSpy file_changed(&editor_, &EditorDocument::FileChanged);
  const qsizetype before_open = changed.count();
  editor_.Open(folder_.filePath("saved.bin"));
  EXPECT_EQ(changed.count(), before_open + 1);
  ASSERT_EQ(file_changed.count(), 1);
  EXPECT_EQ(file_changed.at(0).at(0).toString(),
            QFileInfo(folder_.filePath("saved.bin")).absoluteFilePath());
}

// A replay that fails passes its error on once the history has moved: the
// next undo or redo is not lost.
TEST_F(EditorDocumentTest, AFailingReplayThrowsAfterTheHistoryMoved) {
  WriteWindow3(MovedRight(5));
  editor_.History().push(new ImageEditCommand(
      editor_, "beyond the image", {{std::ssize(Image()) + 4, {1}, {2}}}, 0));
  QSignalSpy changed(&editor_, &EditorDocument::Changed);
  EXPECT_THROW(editor_.Undo(), RangeError);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(editor_.History().index(), 1);
  editor_.Undo();
  EXPECT_EQ(Image(), opened_);
}

TEST_F(EditorDocumentTest, SavingFixesTheChecksumAndMarksClean) {
  WriteWindow3(MovedRight(5));
  const QString saved = folder_.filePath("saved.bin");
  editor_.SaveAs(saved);
  EXPECT_TRUE(editor_.IsClean());
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(FirmwareImage(bytes.begin(), bytes.end()), Image());
  EXPECT_TRUE(IsImageChecksumValid(Image()));
}

// An open that runs out of memory at any of its large allocations (the
// file's bytes, the copies kept of them) keeps the firmware that was open,
// with its edits, its history and its file, whole; once there is memory the
// same open succeeds.
TEST_F(EditorDocumentTest, AnOpenThatRunsOutOfMemoryKeepsTheOpenFirmware) {
  if (!kAllocationFailuresAvailable)
    GTEST_SKIP() << "allocations cannot be made to fail under a sanitizer";
  WriteWindow3(MovedRight(10));
  const FirmwareImage edited = Image();
  const QString first = editor_.FilePath();
  const FirmwareImage other =
      orlindel::testing::FirmwareBuilder(0x50000)
          .WindowList(0x28000, orlindel::testing::DemoWindows(8, 0x2000))
          .Build();
  const QString second = folder_.filePath("other.bin");
  QFile file(second);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(other.data()),
             static_cast<qint64>(other.size()));
  file.close();

  bool opened = false;
  for (int n = 1; !opened && n < 100; ++n) {
    SCOPED_TRACE(n);
    FailLargeAllocation(n, other.size());
    try {
      editor_.Open(second);
      opened = true;
    } catch (const std::bad_alloc&) {
    } catch (const OutOfMemoryError&) {
    }
    const bool failed = LargeAllocationsSeen() >= n;
    FailLargeAllocation(0, 0);
    if (opened) {
      EXPECT_FALSE(failed);  // nothing failed, or the failure was reported
      break;
    }
    EXPECT_TRUE(Image() == edited);
    EXPECT_TRUE(editor_.Document().opened() == opened_);
    EXPECT_TRUE(editor_.FileContent() == opened_);
    EXPECT_EQ(editor_.FilePath(), first);
    EXPECT_EQ(Entries(), 1);
    EXPECT_EQ(editor_.Document().WindowValues(3), MovedRight(10));
  }
  ASSERT_TRUE(opened);
  EXPECT_TRUE(Image() == other);
  EXPECT_TRUE(editor_.FileContent() == other);
  EXPECT_EQ(editor_.FilePath(), QFileInfo(second).absoluteFilePath());
  EXPECT_EQ(Entries(), 0);
}

}  // namespace
}  // namespace orlindel::editor::testing
