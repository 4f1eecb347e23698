#include "editor/guarded_slot.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPushButton>
#include <QSpinBox>
#include <new>
#include <stdexcept>
#include <string>

#include "core/errors.h"
#include "editor/app_title.h"
#include "tests/editor/fake_user_dialogs.h"

namespace orlindel::editor::testing {
namespace {

TEST(GuardedSlotTest, OurErrorEndsTheHandlerWithOneMessage) {
  FakeUserDialogs dialogs;
  bool finished = false;
  RunGuarded(dialogs, [&] {
    throw OverflowError();
    finished = true;
  });
  EXPECT_FALSE(finished);
  EXPECT_EQ(dialogs.messages, QStringList({"Integer overflow"}));

  dialogs.messages.clear();
  RunGuarded(dialogs, [&] { finished = true; });
  EXPECT_TRUE(finished);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST(GuardedSlotTest, NestedFailureUnwindsToTheOuterGuard) {
  // A handler run from inside another (a control set from code) is a plain
  // call: its error skips the rest of the outer handler and shows once.
  FakeUserDialogs dialogs;
  int steps = 0;
  auto inner = [&] {
    ++steps;
    throw RangeError();
  };
  RunGuarded(dialogs, [&] {
    inner();
    ++steps;
  });
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(dialogs.messages, QStringList({"Range check error"}));
}

TEST(GuardedSlotTest, ConnectedSlotCatchesAtTheSignal) {
  FakeUserDialogs dialogs;
  QPushButton button;
  QObject::connect(&button, &QPushButton::clicked,
                   GuardedSlot(dialogs, [] { throw RangeError(); }));
  button.click();
  button.click();
  EXPECT_EQ(dialogs.messages,
            QStringList({"Range check error", "Range check error"}));
}

// A member function, and a handler that ignores the signal's argument, both
// run behind the guard; the connection ends with its receiver.
TEST(GuardedSlotTest, ConnectGuardedTakesMembersAndCallables) {
  FakeUserDialogs dialogs;
  QSpinBox spin;
  spin.setRange(0, 10);
  int calls = 0;
  {
    QObject receiver;
    ConnectGuarded(dialogs, &spin, &QSpinBox::valueChanged, &receiver, [&] {
      ++calls;
      throw OverflowError();
    });
    QPushButton button;
    ConnectGuarded(dialogs, &button, &QPushButton::clicked, &button,
                   &QPushButton::showMaximized);
    spin.setValue(3);
    button.click();
    EXPECT_TRUE(button.isVisible());
  }
  spin.setValue(4);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(dialogs.messages, QStringList({"Integer overflow"}));
}

// The test runner's tripwire: an exception that reaches Qt's event delivery
// fails the test in which it happens.
TEST(GuardedSlotTest, AnExceptionReachingQtFailsTheTest) {
  class Thrower : public QObject {
   public:
    bool event(QEvent*) override { throw RangeError(); }
  } thrower;
  QEvent event(QEvent::User);
  EXPECT_NONFATAL_FAILURE(QCoreApplication::sendEvent(&thrower, &event),
                          "an exception reached Qt: Range check error");
}

// Running out of memory is no bug of ours: the handler ends with one message
// and the program goes on, from a direct call and from a signal.
TEST(GuardedSlotTest, RunningOutOfMemoryIsOneMessage) {
  FakeUserDialogs dialogs;
  const QString message =
      "Not enough memory to finish this action. The firmware and its unsaved "
      "changes are kept; close other programs, then save.";
  bool finished = false;
  RunGuarded(dialogs, [&] {
    throw std::bad_alloc();
    finished = true;
  });
  EXPECT_FALSE(finished);
  QPushButton button;
  QObject::connect(&button, &QPushButton::clicked,
                   GuardedSlot(dialogs, [] { throw std::bad_alloc(); }));
  button.click();
  EXPECT_EQ(dialogs.messages, QStringList({message, message}));
}

TEST(GuardedSlotDeathTest, ForeignExceptionEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  FakeUserDialogs dialogs;
  EXPECT_DEATH(
      RunGuarded(dialogs, [] { throw std::logic_error("broken invariant"); }),
      "unexpected error in a handler: broken invariant");
}

TEST(GuardedSlotTest, ApplicationTitle) {
  EXPECT_EQ(std::string(kAppTitle),
            std::string("Orlindel v") + kVersion + " by Brackwater");
}

}  // namespace
}  // namespace orlindel::editor::testing
