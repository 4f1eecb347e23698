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
  std::deque<QString> save_patch_answers;
  std::deque<QString> open_patch_answers;
  std::deque<QString> save_layout_answers;
  std::deque<QString> open_layout_answers;
  std::deque<QString> save_picture_answers;
  // Answers to the unsaved-changes question; an empty queue cancels.
  std::deque<UnsavedChoice> unsaved_answers;
  // Answers to the question to restore journalled edits; an empty queue
  // declines.
  std::deque<bool> restore_answers;
  // Answers to the yes-or-no questions; an empty queue answers no.
  std::deque<bool> question_answers;

  // What each dialog was preset with, and every message, in order.
  QStringList open_firmware_presets;
  QStringList save_firmware_presets;
  QStringList open_picture_presets;
  QStringList save_patch_presets;
  QStringList save_layout_presets;
  QStringList save_picture_presets;
  int file_questions = 0;  // of the patch, layout and picture dialogs
  QStringList messages;
  QStringList statuses;
  // Title and text of every information window, in order.
  QStringList information_titles;
  QStringList information_texts;
  int unsaved_questions = 0;
  int restore_questions = 0;
  // The text of every yes-or-no question, in order.
  QStringList questions;

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
  std::optional<QString> SavePatch(const QString& preset) override {
    save_patch_presets << preset;
    return Next(save_patch_answers);
  }
  std::optional<QString> OpenPatch(const QString&) override {
    ++file_questions;
    return Next(open_patch_answers);
  }
  std::optional<QString> SaveLayout(const QString& preset) override {
    save_layout_presets << preset;
    ++file_questions;
    return Next(save_layout_answers);
  }
  std::optional<QString> OpenLayout(const QString&) override {
    ++file_questions;
    return Next(open_layout_answers);
  }
  std::optional<QString> SavePicture(const QString& preset) override {
    save_picture_presets << preset;
    ++file_questions;
    return Next(save_picture_answers);
  }
  void ShowMessage(const QString& text) override { messages << text; }
  void ShowStatus(const QString& text) override { statuses << text; }
  void ShowInformation(const QString& title, const QString& html) override {
    information_titles << title;
    information_texts << html;
  }
  bool AskQuestion(const QString&, const QString& text) override {
    questions << text;
    if (question_answers.empty()) return false;
    const bool answer = question_answers.front();
    question_answers.pop_front();
    return answer;
  }
  UnsavedChoice AskSaveChanges() override {
    ++unsaved_questions;
    if (unsaved_answers.empty()) return UnsavedChoice::kCancel;
    const UnsavedChoice answer = unsaved_answers.front();
    unsaved_answers.pop_front();
    return answer;
  }
  bool AskRestoreEdits() override {
    ++restore_questions;
    if (restore_answers.empty()) return false;
    const bool answer = restore_answers.front();
    restore_answers.pop_front();
    return answer;
  }

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
