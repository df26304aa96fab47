#include "engine/run_failure.h"

#include <new>

std::optional<std::string> FailureOf(const std::function<void()>& step) {
  try {
    step();
  } catch (const RunFailure& e) {
    return e.Message();
  } catch (const IOException& e) {
    return e.Message();
  } catch (const std::bad_alloc&) {
    return "there is not enough memory for the run";
  }
  return std::nullopt;
}

Ref<Picture> OpenRunPicture(FolderItem& entry) {
  Ref<Picture> picture = entry.OpenAsPicture();
  if (!picture) throw RunFailure("cannot read " + entry.Name() + ": " + entry.LastError());
  return picture;
}
