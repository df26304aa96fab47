// Whole processes: every road runs through vindralo_measure, which times it
// from spawn to exit and reads its peak memory.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "bench.h"

extern char** environ;

namespace fs = std::filesystem;

double bench::LoadAverage() {
  std::ifstream in("/proc/loadavg");
  double one = 0;
  in >> one;
  return one;
}

std::string bench::Program(const std::string& name) {
  std::error_code ec;
  return (fs::read_symlink("/proc/self/exe", ec).parent_path() / name).string();
}

bench::Process bench::RunProcess(const Options& o, const std::vector<std::string>& command) {
  const std::string result = o.scratch + "/measured.txt";
  std::error_code ec;
  fs::remove(result, ec);
  std::vector<std::string> all{Program("vindralo_measure"), result};
  all.insert(all.end(), command.begin(), command.end());
  std::vector<char*> argv;
  for (std::string& word : all) argv.push_back(word.data());
  argv.push_back(nullptr);
  Process p;
  p.load = LoadAverage();
  pid_t pid = 0;
  int status = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 || waitpid(pid, &status, 0) != pid)
    return p;
  std::ifstream in(result);
  double seconds = -1;
  long peakKiB = 0;
  int exitStatus = -1;
  if (!(in >> seconds >> peakKiB >> exitStatus)) return p;
  p.seconds = seconds;
  p.peakMiB = peakKiB / 1024.0;
  p.ok = exitStatus == 0;
  return p;
}

void bench::Road::Add(const Process& p, const std::string& failureIfAny) {
  if (!failure.empty()) return;
  if (!p.ok || !failureIfAny.empty()) {
    seconds = -1;
    failure = p.ok ? failureIfAny : "the process failed";
    return;
  }
  seconds = seconds < 0 ? p.seconds : std::min(seconds, p.seconds);
  peakMiB = std::max(peakMiB, p.peakMiB);
  load = std::max(load, p.load);
}

void bench::Fresh(const std::string& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

int bench::JpegCount(const std::string& folder) {
  int n = 0;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) n += e.path().extension() == ".jpg";
  return n;
}

std::uintmax_t bench::JpegBytes(const std::string& folder) {
  std::uintmax_t bytes = 0;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().extension() == ".jpg") bytes += e.file_size(ec);
  return bytes;
}

std::string bench::BytesText(std::uintmax_t bytes) {
  char text[32];
  const double b = static_cast<double>(bytes);
  if (b >= 1e6) std::snprintf(text, sizeof text, "%.1f MB", b / 1e6);
  else std::snprintf(text, sizeof text, "%.1f kB", b / 1e3);
  return text;
}

std::string bench::ShellWords(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) {
    if (!line.empty()) line += ' ';
    line += '\'';
    for (char c : w) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += '\'';
  }
  return line;
}

std::string bench::MagickPolicyFolder(const std::string& scratch) {
  const std::string folder = scratch + "/magick-policy";
  fs::create_directories(folder);
  std::ofstream(folder + "/policy.xml") << "<policymap>\n"
                                           "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
                                           "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
                                           "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
                                           "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
                                           "</policymap>\n";
  return folder;
}
