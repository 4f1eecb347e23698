// Dialogs that answer from queues and record what they were shown, so the
// main window runs headless without a modal dialog.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "editor/user_dialogs.h"

namespace orlindel::editor::testing {

class FakeUserDialogs : public UserDialogs {
 public:
  // Answers in order; an empty queue or a null QString answers as a cancel.
  std::deque<QString> open_firmware_answers;
  std::deque<QString> save_firmware_answers;
  std::deque<QString> open_picture_answers;

  // What each dialog was preset with, and every message, in order.
  QStringList open_firmware_presets;
  QStringList save_firmware_presets;
  QStringList open_picture_presets;
  QStringList messages;

  // Runs with each firmware file the open dialog hands back, after the user
  // has picked it and before the editor reads it.
  std::function<void(const QString&)> after_open_firmware_answer;

  std::optional<QString> OpenFirmware(const QString& preset) override {
    open_firmware_presets << preset;
    std::optional<QString> answer = Next(open_firmware_answers);
    if (answer && after_open_firmware_answer)
      after_open_firmware_answer(*answer);
    return answer;
  }
  std::optional<QString> SaveFirmware(const QString& preset) override {
    save_firmware_presets << preset;
    return Next(save_firmware_answers);
  }
  std::optional<QString> OpenPicture(const QString& preset) override {
    open_picture_presets << preset;
    return Next(open_picture_answers);
  }
  void ShowMessage(const QString& text) override { messages << text; }

 private:
  static std::optional<QString> Next(std::deque<QString>& answers) {
    if (answers.empty()) return std::nullopt;
    const QString answer = answers.front();
    answers.pop_front();
    if (answer.isNull()) return std::nullopt;
    return answer;
  }
};

}  // namespace orlindel::editor::testing
