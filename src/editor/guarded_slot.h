// The one boundary where the editor's handlers meet Qt's event delivery.
// Exceptions must not unwind through Qt, so every slot runs through
// RunGuarded: one of our own errors ends the handler and is shown once in a
// message box; so does a failed allocation, which must not cost the user the
// open firmware and its unsaved edits; anything else is a bug and ends the
// program loudly.
#pragma once

#include <QObject>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <type_traits>
#include <utility>

#include "core/errors.h"
#include "editor/user_dialogs.h"

namespace orlindel::editor {

// Shown when a handler runs out of memory; the firmware stays open.
inline constexpr char kOutOfMemoryMessage[] =
    "Not enough memory to finish this action. The firmware and its unsaved "
    "changes are kept; close other programs, then save.";

template <typename Handler>
void RunGuarded(UserDialogs& dialogs, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const OrlindelError& error) {
    dialogs.ShowMessage(QString::fromUtf8(error.what()));
  } catch (const std::bad_alloc&) {
    // What the handler held is released by now; should even the message box
    // find no room, the line on the error stream has to do.
    try {
      dialogs.ShowMessage(QString::fromLatin1(kOutOfMemoryMessage));
    } catch (...) {
      std::fprintf(stderr, "orlindel: %s\n", kOutOfMemoryMessage);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orlindel: unexpected error in a handler: %s\n",
                 error.what());
    std::abort();
  } catch (...) {
    std::fprintf(stderr, "orlindel: unexpected exception in a handler\n");
    std::abort();
  }
}

// A slot for QObject::connect that runs `handler` through RunGuarded.
template <typename Handler>
auto GuardedSlot(UserDialogs& dialogs, Handler handler) {
  return [&dialogs, handler = std::move(handler)]() noexcept {
    RunGuarded(dialogs, handler);
  };
}

// Connects `signal` of `sender` through the guard to `handler`: a member
// function of `receiver` taking nothing, or any callable taking nothing. The
// connection ends with `receiver`. This is how every handler of the editor
// is connected, so no exception ever reaches Qt's event delivery.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection ConnectGuarded(UserDialogs& dialogs, Sender* sender,
                                       Signal signal, Receiver* receiver,
                                       Handler handler) {
  if constexpr (std::is_member_function_pointer_v<Handler>) {
    return QObject::connect(
        sender, signal, receiver,
        GuardedSlot(dialogs, [receiver, handler] { (receiver->*handler)(); }));
  } else {
    return QObject::connect(sender, signal, receiver,
                            GuardedSlot(dialogs, std::move(handler)));
  }
}

}  // namespace orlindel::editor
