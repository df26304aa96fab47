#pragma once
// A trace seam: the runtime records the milestones of a process (runtime
// started, classes registered, start-up run, loop entered, releases, exit)
// so tests can observe the order without reading the code.
#include <string>
#include <string_view>
#include <vector>

void RuntimeTrace(std::string_view event);
void RuntimeEnableTrace(bool on);
std::vector<std::string> RuntimeTakeTrace();
