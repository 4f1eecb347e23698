// Runs the editor tests inside one QApplication, on the off-screen platform
// with a 1920 x 1200 screen unless another platform was asked for. The editor's
// settings go to a temporary folder, emptied before every test, never to the
// user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <exception>

namespace {

// Every handler of the editor is connected through the error guard, so no
// exception may ever reach Qt's event delivery; one that does fails the test
// it happens in.
class TripwireApplication : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
      ADD_FAILURE() << "an exception reached Qt: " << error.what();
    } catch (...) {
      ADD_FAILURE() << "an exception reached Qt";
    }
    return false;
  }
};

class FreshSettings : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo& /*test*/) override {
    QSettings().clear();
  }
};

}  // namespace

int main(int argc, char** argv) {
  // A desktop-sized screen, where the main window fits at full size.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" ORLINDEL_SOURCE_DIR
                               "/tests/editor/offscreen_screen.json");
  // The journals of unsaved edits the tests make go to a folder of this run,
  // never the user's.
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  TripwireApplication app(argc, argv);
  // Tests close main windows; that must not end the application.
  QApplication::setQuitOnLastWindowClosed(false);
  const QTemporaryDir settings_folder;
  QApplication::setOrganizationName("orlindel-tests");
  QApplication::setApplicationName("orlindel-editor-tests");
  QSettings::setDefaultFormat(QSettings::IniFormat);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     settings_folder.path());
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
  return RUN_ALL_TESTS();
}
