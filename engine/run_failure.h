#pragma once
// Failures that come from the user's photos, fields, folders or disk (a
// photo that does not read, margins that leave no picture, a frame that
// cannot be written, a folder that is gone): they end the run in progress
// with a message that names the file and the reason, never the application.
// What else a run raises is a fault of the program and passes on.
#include <functional>
#include <optional>
#include <string>

#include "files/folder_item.h"
#include "runtime/exceptions.h"

class RunFailure : public RuntimeException {
 public:
  explicit RunFailure(std::string message) : RuntimeException("RunFailure", std::move(message)) {}
};

// Runs the step; the message of the failure that ended it (a RunFailure,
// the platform's IOException, a lack of memory), or none.
std::optional<std::string> FailureOf(const std::function<void()>& step);

// The entry opened as a picture; RunFailure "cannot read <name>: <reason>"
// when it does not read as one.
Ref<Picture> OpenRunPicture(FolderItem& entry);
