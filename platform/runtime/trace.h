#pragma once
// Records a milestone of the process in the trace, while a test has it on
// (see testing.h).
#include <string_view>

void RuntimeTrace(std::string_view event);
