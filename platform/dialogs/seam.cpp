#include <deque>
#include <utility>

#include "dialogs/dialogs.h"

namespace {
struct Seam {
  bool on = false;
  std::deque<std::optional<std::string>> answers;
  std::vector<DialogRecord> log;
  std::function<void(const DialogRecord&)> hook;
};
Seam& S() {
  static Seam s;
  return s;
}
}  // namespace

namespace dialog_seam {
void Enable(bool on) {
  S() = Seam{};
  S().on = on;
}
bool Enabled() noexcept { return S().on; }
void Answer(std::optional<std::string> path) { S().answers.push_back(std::move(path)); }
std::optional<std::string> NextAnswer() {
  auto& a = S().answers;
  if (a.empty()) return std::nullopt;
  auto v = std::move(a.front());
  a.pop_front();
  return v;
}
void OnShow(std::function<void(const DialogRecord&)> hook) { S().hook = std::move(hook); }
void Record(const DialogRecord& record) {
  S().log.push_back(record);
  if (S().hook) {
    auto hook = S().hook;  // the hook may replace itself
    hook(record);
  }
}
std::vector<DialogRecord> TakeLog() { return std::exchange(S().log, {}); }
std::vector<std::string> Messages() {
  std::vector<std::string> out;
  for (auto& r : S().log)
    if (r.kind == "MsgBox") out.push_back(r.text);
  return out;
}
}  // namespace dialog_seam
