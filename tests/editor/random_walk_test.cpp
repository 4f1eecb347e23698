// A random walk over the editor: the real windows, driven through their
// controls with dialogs that answer at random from what each dialog may
// answer, through many random user actions. After every action the walk
// checks what must always hold:
// - the image is the file as opened with the history replayed onto it;
// - the modified mark shows whether the history is at its clean point;
// - a journal of unsaved edits exists exactly while there are some, for the
//   document's file, and replays onto that file to the image;
// - a window the user cannot see changed nothing;
// - a quit that was not cancelled ended the event loop with no window left.
// A failing walk prints its seed and the actions that led there.
//
// ORLINDEL_WALK_SEEDS (how many walks, 3 by default), ORLINDEL_WALK_FIRST_SEED
// (1) and ORLINDEL_WALK_STEPS (actions per walk, 400) choose the walks;
// ORLINDEL_WALK_VERBOSE=1 prints each action as it starts (for a walk that
// crashes).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/history/byte_edit.h"
#include "core/history/edit_journal.h"
#include "editor/main_window.h"
#include "editor/palette_window.h"
#include "tests/editor/fake_user_dialogs.h"
#include "tests/support/layout_firmware.h"

namespace orlindel::editor::testing {
namespace {

int EnvInt(const char* name, int fallback) {
  bool ok = false;
  const int value = qEnvironmentVariableIntValue(name, &ok);
  return ok ? value : fallback;
}

FirmwareImage ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return FirmwareImage(bytes.begin(), bytes.end());
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

QByteArray AsBytes(const FirmwareImage& image) {
  return QByteArray(reinterpret_cast<const char*>(image.data()),
                    static_cast<qsizetype>(image.size()));
}

// One editor session as the program runs it.
struct Session {
  Session(FakeUserDialogs& dialogs, const QString& journals)
      : frmMain(dialogs), frmWB(new TfrmWB(frmMain.Windows(), &frmMain)) {
    frmMain.AttachPalette(frmWB);
    frmMain.Journal().SetFolder(journals);
    frmWB->hide();
    frmMain.show();
  }
  TfrmMain frmMain;
  TfrmWB* frmWB;
};

class Walk {
 public:
  Walk(uint32_t seed, int steps) : seed_(seed), steps_(steps), random_(seed) {
    QSettings().clear();
    journals_ = folder_.filePath("journal");
    firmware_a_ = folder_.filePath("a.bin");
    firmware_b_ = folder_.filePath("b.bin");
    not_firmware_ = folder_.filePath("notes.txt");
    WriteBytes(firmware_a_, AsBytes(orlindel::testing::LayoutFirmware(
                                orlindel::testing::kLayoutPlacementA,
                                orlindel::testing::LayoutWindowsA(),
                                orlindel::testing::LayoutGroupsA(),
                                orlindel::testing::kLayoutSubtitleA)));
    WriteBytes(firmware_b_, AsBytes(orlindel::testing::LayoutFirmware(
                                orlindel::testing::kLayoutPlacementB,
                                orlindel::testing::LayoutWindowsA(),
                                orlindel::testing::LayoutGroupsA(),
                                orlindel::testing::kLayoutSubtitleB)));
    WriteBytes(not_firmware_, "not a firmware\n");
  }

  // False, with the failure reported, when an invariant broke.
  bool Run() {
    Start();
    for (int step = 0; step < steps_ && ok_; ++step) {
      step_ = step;
      RandomAction();
      if (ok_) CheckInvariants();
    }
    session_.reset();
    return ok_;
  }

 private:
  // --- randomness ---
  int Pick(int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(random_);
  }
  int Between(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random_);
  }
  bool Chance(int percent) { return Pick(100) < percent; }
  template <typename T>
  const T& OneOf(const std::vector<T>& choices) {
    return choices[static_cast<size_t>(Pick(static_cast<int>(choices.size())))];
  }

  // --- the session and its controls ---
  TfrmMain& Main() { return session_->frmMain; }
  TfrmWB& Palette() { return *session_->frmWB; }
  template <typename T>
  T* Find(const char* name) {
    return Main().findChild<T*>(QString::fromLatin1(name));
  }
  template <typename T>
  T* FindOnPage(const char* page, const char* name) {
    QWidget* tab = Find<QWidget>(page);
    return tab != nullptr ? tab->findChild<T*>(QString::fromLatin1(name))
                          : nullptr;
  }
  TfrmChanges* Changes() { return Main().findChild<TfrmChanges*>(); }

  void Start() {
    session_ = std::make_unique<Session>(dialogs_, journals_);
    // Journals left by the session before (a crash) may stay until
    // declined or replaced.
    leftovers_ = QDir(journals_).entryList(QDir::Files);
  }

  void Log(const QString& text) {
    const QString line = QString("%1: %2").arg(step_).arg(text);
    actions_ << line;
    if (EnvInt("ORLINDEL_WALK_VERBOSE", 0) != 0)
      std::fprintf(stderr, "walk %u %s\n", seed_, qPrintable(line));
  }

  void Fail(const QString& what) {
    if (!ok_) return;
    ok_ = false;
    ADD_FAILURE() << "random walk, seed " << seed_ << ", after action " << step_
                  << ": " << what.toStdString()
                  << "\nreplay: ORLINDEL_WALK_FIRST_SEED=" << seed_
                  << " ORLINDEL_WALK_SEEDS=1 ORLINDEL_WALK_STEPS="
                  << (step_ + 1) << "\nactions:\n"
                  << actions_.join('\n').toStdString();
  }
  void Expect(bool condition, const char* what) {
    if (!condition) Fail(QString::fromLatin1(what));
  }

  // --- answers of the dialogs ---
  // A firmware file to save into: a new one, or one in no folder.
  QString SaveTarget() {
    switch (Pick(4)) {
      case 0:
        return QString();  // cancelled
      case 1:
        return folder_.filePath("no/such/folder/fw.bin");
      default:
        return folder_.filePath(QString("saved-%1.bin").arg(++saves_));
    }
  }
  // Answers the unsaved-changes question, should it come.
  QString AnswerUnsaved() {
    switch (Pick(3)) {
      case 0:
        dialogs_.unsaved_answers = {UnsavedChoice::kCancel};
        return "cancel";
      case 1:
        dialogs_.unsaved_answers = {UnsavedChoice::kDiscard};
        return "discard";
      default: {
        dialogs_.unsaved_answers = {UnsavedChoice::kSave};
        const QString target = SaveTarget();
        dialogs_.save_firmware_answers = {target};
        return "save to " + Name(target);
      }
    }
  }
  QString FirmwareChoice() {
    std::vector<QString> choices = {firmware_a_, firmware_b_, not_firmware_,
                                    folder_.filePath("missing.bin"), QString()};
    if (saves_ > 0) choices.push_back(LastSaved());
    return OneOf(choices);
  }
  QString LastSaved() const {
    return folder_.filePath(QString("saved-%1.bin").arg(saves_));
  }
  QString Name(const QString& path) const {
    return path.isNull() ? "(cancel)"
                         : QDir(folder_.path()).relativeFilePath(path);
  }
  void ClearAnswers() {
    dialogs_.open_firmware_answers.clear();
    dialogs_.save_firmware_answers.clear();
    dialogs_.open_picture_answers.clear();
    dialogs_.save_patch_answers.clear();
    dialogs_.open_patch_answers.clear();
    dialogs_.save_layout_answers.clear();
    dialogs_.open_layout_answers.clear();
    dialogs_.save_picture_answers.clear();
    dialogs_.unsaved_answers.clear();
    dialogs_.restore_answers.clear();
    dialogs_.messages.clear();
    dialogs_.information_texts.clear();
    dialogs_.information_titles.clear();
  }

  // --- the actions ---
  void RandomAction() {
    using Action = void (Walk::*)();
    static const std::vector<std::pair<int, Action>> actions = {
        {8, &Walk::SwitchPage},     {8, &Walk::MoveSlider},
        {10, &Walk::TypeInPalette}, {6, &Walk::StepPalette},
        {6, &Walk::Drag},           {6, &Walk::Nudge},
        {4, &Walk::ChangeSubtitle}, {4, &Walk::Apply},
        {8, &Walk::UndoRedo},       {4, &Walk::RevertInChanges},
        {6, &Walk::Open},           {4, &Walk::Save},
        {3, &Walk::Patch},          {3, &Walk::Layout},
        {2, &Walk::Zoom},           {2, &Walk::TvStandard},
        {5, &Walk::TimePasses},     {1, &Walk::Quit},
        {1, &Walk::Crash},
    };
    int total = 0;
    for (const auto& [weight, action] : actions) total += weight;
    int chosen = Pick(total);
    for (const auto& [weight, action] : actions) {
      if (chosen < weight) {
        const FirmwareImage before = Main().Document().image();
        const bool main_visible = Main().isVisible();
        (this->*action)();
        ClearAnswers();
        if (ok_ && session_ && !main_visible)
          Expect(Main().Document().image() == before,
                 "a hidden window changed the image");
        return;
      }
      chosen -= weight;
    }
  }

  void SwitchPage() {
    auto* pages = Find<QTabWidget>("pcMain");
    std::vector<int> enabled;
    for (int n = 0; n < pages->count(); ++n)
      if (pages->isTabEnabled(n)) enabled.push_back(n);
    const int page = OneOf(enabled);
    Log(QString("page %1").arg(pages->widget(page)->objectName()));
    pages->setCurrentIndex(page);
  }

  void MoveSlider() {
    const char* const names[] = {"tbID", "tbID2", "tbR6", "tbR7"};
    const char* name = names[Pick(4)];
    auto* slider = Find<QSlider>(name);
    if (slider == nullptr || !slider->isEnabled()) return;
    const int value = Between(slider->minimum(), slider->maximum());
    Log(QString("slider %1 to %2").arg(name).arg(value));
    slider->setValue(value);
  }

  PaletteSpinEdit* PaletteEdit() {
    PaletteSpinEdit* const edits[] = {
        Palette().seTop(),   Palette().seLeft(),   Palette().seRight(),
        Palette().sePalDY(), Palette().seBottom(), Palette().seBlend(),
        Palette().seWidth(), Palette().seHeight()};
    return edits[Pick(8)];
  }

  // A value set in the palette once the program has quit (a late event that
  // still reaches it).
  void StrayPaletteInput() {
    PaletteSpinEdit* edit = PaletteEdit();
    const int value = Between(0, edit->maximum());
    Log(QString("set %1 to %2 in the hidden palette")
            .arg(edit->objectName())
            .arg(value));
    edit->SetValue(value);
  }

  void TypeInPalette() {
    PaletteSpinEdit* edit = PaletteEdit();
    if (!Palette().isVisible() || !edit->isEnabled()) return;
    // A number typed, finished with Enter; now and then beyond the range.
    const int value = Chance(10) ? Between(-20, edit->maximum() + 200)
                                 : Between(0, edit->maximum());
    Log(QString("type %1 into %2").arg(value).arg(edit->objectName()));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::number(value));
    QTest::keyClick(edit, Qt::Key_Return);
  }

  void StepPalette() {
    if (!Palette().isVisible()) return;
    if (Chance(50)) {
      PaletteSpinEdit* edit = PaletteEdit();
      if (!edit->isEnabled()) return;
      const int steps = Chance(50) ? 1 : -1;
      Log(QString("step %1 by %2").arg(edit->objectName()).arg(steps));
      edit->stepBy(steps);
      return;
    }
    QScrollBar* bar = Chance(50) ? Palette().sbTop() : Palette().sbLeft();
    if (!bar->isEnabled()) return;
    const QAbstractSlider::SliderAction actions[] = {
        QAbstractSlider::SliderSingleStepAdd,
        QAbstractSlider::SliderSingleStepSub,
        QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderPageStepSub};
    const auto action = actions[Pick(4)];
    Log(QString("scroll %1 action %2").arg(bar->objectName()).arg(action));
    bar->triggerAction(action);
  }

  // A point of the preview near the selected window's frame, in widget
  // coordinates.
  QPoint NearFrame() {
    PreviewWidget& preview = Main().Preview();
    const PaletteValues values = Palette().Values();
    const int x = OneOf(std::vector<int>{values.left, values.right,
                                         (values.left + values.right) / 2}) +
                  Between(-3, 3);
    const int y = OneOf(std::vector<int>{values.top, values.bottom,
                                         (values.top + values.bottom) / 2}) +
                  Between(-3, 3);
    const QImage& bitmap = preview.Bitmap();
    if (bitmap.isNull() || bitmap.width() == 0) return {x, y};
    const double scale = double(preview.width()) / bitmap.width();
    return QPoint(int(x * scale), int(y * scale));
  }

  void Drag() {
    PreviewWidget& preview = Main().Preview();
    const QPoint from = NearFrame();
    const QPoint to = from + QPoint(Between(-60, 60), Between(-60, 60));
    Log(QString("drag (%1;%2) to (%3;%4)")
            .arg(from.x())
            .arg(from.y())
            .arg(to.x())
            .arg(to.y()));
    QTest::mousePress(&preview, Qt::LeftButton, {}, from);
    const int moves = Between(1, 4);
    for (int n = 1; n <= moves; ++n)
      QTest::mouseMove(&preview, from + (to - from) * n / moves);
    QTest::mouseRelease(&preview, Qt::LeftButton, {}, to);
  }

  void Nudge() {
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                            Qt::Key_Down};
    const Qt::KeyboardModifiers modifiers[] = {
        Qt::NoModifier, Qt::ShiftModifier, Qt::AltModifier};
    const Qt::Key key = keys[Pick(4)];
    const Qt::KeyboardModifiers modifier = modifiers[Pick(3)];
    Log(QString("nudge key %1 modifiers %2")
            .arg(int(key))
            .arg(int(modifier.toInt())));
    QTest::keyClick(&Main().Preview(), key, modifier);
  }

  void ChangeSubtitle() {
    const char* const names[] = {"seLeft", "seTop", "seRight", "seBottom"};
    const char* name = names[Pick(4)];
    auto* edit = FindOnPage<QSpinBox>("tsMpeg4Sub", name);
    if (edit == nullptr || !edit->isVisible() || !edit->isEnabled()) return;
    const int value = Between(edit->minimum(), edit->maximum());
    Log(QString("subtitle %1 to %2").arg(name).arg(value));
    edit->setValue(value);
  }

  void Apply() {
    auto* apply = FindOnPage<QAbstractButton>("tsMpeg4Sub", "btnApply");
    if (apply == nullptr || !apply->isVisible() || !apply->isEnabled()) return;
    Log("APPLY");
    apply->click();
  }

  void UndoRedo() {
    const bool undo = Chance(60);
    Log(undo ? "undo" : "redo");
    Find<QAction>(undo ? "actUndo" : "actRedo")->trigger();
  }

  void RevertInChanges() {
    TfrmChanges* changes = Changes();
    if (!changes->isVisible()) {
      Log("show Changes");
      Find<QAbstractButton>("btnChanges")->click();
      return;
    }
    auto* rows = changes->findChild<QTableWidget*>("twChanges");
    if (rows->rowCount() == 0) {
      Log("close Changes");
      changes->close();
      return;
    }
    const int row = Pick(rows->rowCount());
    Log(QString("revert row %1 of %2").arg(row).arg(rows->rowCount()));
    rows->selectRow(row);
    auto* revert = changes->findChild<QAbstractButton*>("btnRevert");
    if (revert->isEnabled()) revert->click();
  }

  void Open() {
    const QString unsaved = AnswerUnsaved();
    const QString chosen = FirmwareChoice();
    dialogs_.open_firmware_answers.push_back(chosen);
    dialogs_.restore_answers = {Chance(50)};
    Log(QString("open %1 (unsaved: %2)").arg(Name(chosen), unsaved));
    Find<QAbstractButton>("btnFWOpen")->click();
  }

  void Save() {
    auto* save = Find<QAbstractButton>("btnSave");
    if (!save->isEnabled()) return;
    const QString target = SaveTarget();
    dialogs_.save_firmware_answers = {target};
    Log("save to " + Name(target));
    save->click();
  }

  void Patch() {
    if (Chance(50)) {
      const QString target =
          folder_.filePath(Chance(50) ? "edits.ips" : "edits.bps");
      dialogs_.save_patch_answers = {Chance(80) ? target : QString()};
      Log("export patch " + Name(dialogs_.save_patch_answers.front()));
      Find<QAction>("actExportPatch")->trigger();
    } else {
      const QString source = OneOf(std::vector<QString>{
          folder_.filePath("edits.ips"), folder_.filePath("edits.bps"),
          not_firmware_, QString()});
      dialogs_.open_patch_answers = {source};
      Log("apply patch " + Name(source));
      Find<QAction>("actApplyPatch")->trigger();
    }
  }

  void Layout() {
    const QString file = folder_.filePath("layout.json");
    if (Chance(50)) {
      dialogs_.save_layout_answers = {Chance(80) ? file : QString()};
      Log("export layout " + Name(dialogs_.save_layout_answers.front()));
      Find<QAction>("actExportLayout")->trigger();
    } else {
      const QString source =
          OneOf(std::vector<QString>{file, not_firmware_, QString()});
      dialogs_.open_layout_answers = {source};
      Log("import layout " + Name(source));
      Find<QAction>("actImportLayout")->trigger();
    }
  }

  void Zoom() {
    const int percent = OneOf(std::vector<int>{100, 75, 50});
    Log(QString("zoom %1").arg(percent));
    Find<QAction>(qPrintable(QString("actZoom%1").arg(percent)))->trigger();
  }

  void TvStandard() {
    const bool rects = Chance(50);
    auto* combo = Find<QComboBox>(rects ? "cmbRects" : "cmbTV");
    if (!combo->isVisible() || !combo->isEnabled()) return;
    const int index = Pick(combo->count());
    Log(QString("%1 %2").arg(combo->objectName()).arg(index));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }

  void TimePasses() {
    Log("time passes");
    if (Chance(20)) {
      QTest::qWait(250);  // the journal's own timer
    } else {
      Main().Journal().Flush();
      QCoreApplication::processEvents();
    }
  }

  // Quit: the question, then either nothing (cancelled) or the end of the
  // event loop with no window left; then a new session starts.
  void Quit() {
    const bool by_menu = Chance(50);
    const QString unsaved = AnswerUnsaved();
    Log(QString("quit by %1 (unsaved: %2)")
            .arg(by_menu ? "Ctrl+Q" : "the close button", unsaved));
    bool refused = false;
    QTimer::singleShot(0, [&] {
      if (by_menu)
        Find<QAction>("actQuit")->trigger();
      else
        Main().close();
      if (Main().isVisible()) {
        refused = true;
        QCoreApplication::exit(7);
      }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout,
                     [] { QCoreApplication::exit(1); });
    watchdog.start(3000);
    const int result = QCoreApplication::exec();
    if (refused) {
      Expect(result == 7, "a cancelled quit ended the event loop");
      return;
    }
    Expect(result == 0, "a quit left the event loop running");
    for (const QWidget* window : QApplication::topLevelWidgets())
      if (window->isVisible()) Fail("a window stayed on screen after quit");
    if (!ok_) return;
    // The program is gone: input that still reaches its windows changes
    // nothing.
    const FirmwareImage before = Main().Document().image();
    StrayPaletteInput();
    QTest::keyClick(&Main().Preview(), Qt::Key_Left);
    Expect(Main().Document().image() == before,
           "a window changed the image after quit");
    for (const QString& file : QDir(journals_).entryList(QDir::Files))
      Expect(leftovers_.contains(file),
             "a quit left a journal of this session behind");
    session_.reset();
    Start();
  }

  // The program ends without the question (a crash, the end of a desktop
  // session that allows none): the next start finds the journal.
  void Crash() {
    Log("the program ends without a question; a new one starts");
    session_.reset();
    Start();
  }

  // --- the invariants ---
  void CheckInvariants() {
    EditorDocument& editor = Main().Editor();
    const QUndoStack& history = editor.History();
    const FirmwareImage& image = editor.Document().image();

    FirmwareImage replayed = editor.Document().opened();
    for (int n = 0; n < history.index(); ++n)
      ApplyEdits(
          replayed,
          static_cast<const ImageEditCommand*>(history.command(n))->edits());
    Expect(replayed == image,
           "the image is not the file as opened with the history replayed");
    if (!editor.OpenedPath().isEmpty())
      Expect(ReadBytes(editor.OpenedPath()) == editor.Document().opened(),
             "the image as opened is not the file's content");
    if (!editor.FilePath().isEmpty())
      Expect(ReadBytes(editor.FilePath()) == editor.FileContent(),
             "the document's file does not hold the clean content");
    if (Main().isVisible())
      Expect(Main().isWindowModified() == !editor.IsClean(),
             "the modified mark disagrees with the history");
    CheckJournal(editor);
  }

  void CheckJournal(EditorDocument& editor) {
    UnsavedEditsJournal& journal = Main().Journal();
    const QString mine =
        editor.FilePath().isEmpty()
            ? QString()
            : QFileInfo(journal.FileFor(editor.FilePath())).fileName();
    for (const QString& file : QDir(journals_).entryList(QDir::Files))
      if (file != mine && !leftovers_.contains(file))
        return Fail("a journal of another file is left: " + file);
    if (mine.isEmpty()) return;
    const bool exists = QFileInfo::exists(QDir(journals_).filePath(mine));
    if (editor.IsClean()) {
      Expect(!exists || leftovers_.contains(mine),
             "a journal exists without unsaved edits");
      Expect(!journal.Pending(), "a journal write waits without edits");
      return;
    }
    if (journal.Pending()) return;  // written within the next moment
    if (!exists) return Fail("unsaved edits without a journal");
    const QByteArray text = [&] {
      QFile file(QDir(journals_).filePath(mine));
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const std::optional<EditJournal> decoded = DecodeJournal(
        std::span(reinterpret_cast<const uint8_t*>(text.constData()),
                  size_t(text.size())),
        editor.FileContent());
    if (!decoded)
      return Fail("the journal cannot be read or does not fit the file");
    FirmwareImage restored = editor.FileContent();
    for (const JournalEntry& entry : decoded->entries)
      ApplyEdits(restored, entry.edits);
    Expect(restored == editor.Document().image(),
           "the journal does not replay to the image");
  }

  const uint32_t seed_;
  const int steps_;
  std::mt19937 random_;
  int step_ = 0;
  bool ok_ = true;
  QStringList actions_;
  QTemporaryDir folder_;
  QString journals_, firmware_a_, firmware_b_, not_firmware_;
  int saves_ = 0;
  QStringList leftovers_;
  FakeUserDialogs dialogs_;
  std::unique_ptr<Session> session_;
};

TEST(RandomWalk, InvariantsHoldAfterEveryAction) {
  const int first = EnvInt("ORLINDEL_WALK_FIRST_SEED", 1);
  const int seeds = EnvInt("ORLINDEL_WALK_SEEDS", 3);
  const int steps = EnvInt("ORLINDEL_WALK_STEPS", 400);
  for (int seed = first; seed < first + seeds; ++seed) {
    Walk walk(static_cast<uint32_t>(seed), steps);
    walk.Run();
  }
}

}  // namespace
}  // namespace orlindel::editor::testing
