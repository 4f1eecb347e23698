// The one boundary where the editor's handlers meet Qt's event delivery.
// Exceptions must not unwind through Qt, so every slot runs through
// RunGuarded: one of our own errors ends the handler and is shown once in a
// message box; anything else is a bug and ends the program loudly.
#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

#include "core/errors.h"
#include "editor/user_dialogs.h"

namespace orlindel::editor {

template <typename Handler>
void RunGuarded(UserDialogs& dialogs, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const OrlindelError& error) {
    dialogs.ShowMessage(QString::fromUtf8(error.what()));
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

}  // namespace orlindel::editor
