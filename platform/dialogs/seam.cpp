#include <deque>
#include <utility>

#include "testing.h"

namespace {
struct Seam {
  bool on = false;
  std::deque<std::optional<std::string>> answers;
  std::vector<DialogRecord> log;
  std::function<void(const DialogRecord&)> hook;
};
Seam& DialogSeam() {
  static Seam seam;
  return seam;
}
}  // namespace

namespace dialog_seam {
void Enable(bool on) {
  DialogSeam() = Seam{};
  DialogSeam().on = on;
}
bool Enabled() noexcept { return DialogSeam().on; }
void Answer(std::optional<std::string> path) { DialogSeam().answers.push_back(std::move(path)); }
std::optional<std::string> NextAnswer() {
  auto& a = DialogSeam().answers;
  if (a.empty()) return std::nullopt;
  auto v = std::move(a.front());
  a.pop_front();
  return v;
}
void OnShow(std::function<void(const DialogRecord&)> hook) { DialogSeam().hook = std::move(hook); }
void Record(const DialogRecord& record) {
  DialogSeam().log.push_back(record);
  if (DialogSeam().hook) {
    auto hook = DialogSeam().hook;  // the hook may replace itself
    hook(record);
  }
}
std::vector<DialogRecord> TakeLog() { return std::exchange(DialogSeam().log, {}); }
std::vector<std::string> Messages() {
  std::vector<std::string> out;
  for (auto& r : DialogSeam().log)
    if (r.kind == "MsgBox") out.push_back(r.text);
  return out;
}
}  // namespace dialog_seam
