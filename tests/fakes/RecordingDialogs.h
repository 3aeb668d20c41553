#pragma once
// A DialogService for tests: records every box and save dialog and answers
// from a script (then with the default button / a cancel). Installed for
// its lifetime; the previous service comes back on destruction.
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace balvek::testing {

class RecordingDialogs final : public platform::DialogService {
 public:
  struct Box {
    platform::WindowHandle owner;
    std::string text;
    std::string caption;
    std::uint32_t flags;
  };

  RecordingDialogs() : previous_(platform::SetDialogService(this)) {}
  ~RecordingDialogs() override { platform::SetDialogService(previous_); }
  RecordingDialogs(const RecordingDialogs&) = delete;
  RecordingDialogs& operator=(const RecordingDialogs&) = delete;

  // Answers for the next message boxes, in order.
  void ScriptAnswers(std::initializer_list<int> answers) { answers_.insert(answers_.end(), answers); }
  // Results for the next save dialogs, in order (nullopt = cancel).
  void ScriptSavePaths(std::initializer_list<std::optional<std::string>> paths) { paths_.insert(paths_.end(), paths); }

  int MessageBox(platform::WindowHandle owner, std::string_view text, std::string_view caption,
                 std::uint32_t flags) override {
    boxes.push_back({owner, std::string(text), std::string(caption), flags});
    if (answers_.empty()) return platform::DefaultAnswer(flags);
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  std::optional<std::string> SaveFile(const platform::SaveFileRequest& request) override {
    saves.push_back(request);
    if (paths_.empty()) return std::nullopt;
    auto path = paths_.front();
    paths_.pop_front();
    return path;
  }

  std::vector<Box> boxes;
  std::vector<platform::SaveFileRequest> saves;

 private:
  platform::DialogService* previous_;
  std::deque<int> answers_;
  std::deque<std::optional<std::string>> paths_;
};

}  // namespace balvek::testing
