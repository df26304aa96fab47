#pragma once
// Private to the platform: the message box itself, without MsgBox's wait
// for pending frames (the last-resort message waits on its own terms).
#include <string>

void ShowMessageBox(const std::string& text);
