// vindralo_bench [--smoke] [--only TEXT]: times ours against library
// calls, peer tools and the machine's floor, each pair on the same inputs in
// the same run, and prints one table: the times, their ratio against its
// goal, the 1-minute load average read before the row's runs, and the peak
// memory of both processes. --only runs just the rows whose names contain
// TEXT (for a check while working; final figures come from a whole run). A
// row that failed (a process that did not finish, or frames that are
// missing or wrong) makes the exit status 1.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "bench.h"

namespace bench {

namespace {
std::map<std::string, Row>& Rows() {
  static std::map<std::string, Row> rows;
  return rows;
}
}  // namespace

Register::Register(const char* name, Row row) { Rows().emplace(name, std::move(row)); }

double Best(int repeat, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < std::max(1, repeat); ++i) {
    const auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace bench

namespace {

std::string Format(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Peak(double mib) { return mib > 0 ? Format("%.0f MiB", mib) : "-"; }

// The goals as text, and whether the row met them.
std::string Goals(const bench::Result& r, bool& met) {
  std::string text;
  auto add = [&](const std::string& goal, bool ok) {
    text += (text.empty() ? "" : " ") + goal;
    met = met && ok;
  };
  if (r.ratioGoal > 0) add(Format("<=%.2fx", r.ratioGoal), r.ours <= r.ratioGoal * r.peer);
  if (r.peakGoalMiB > 0) add(Format("RSS<=%.0fMiB", r.peakGoalMiB), r.oursPeakMiB <= r.peakGoalMiB);
  if (r.differenceGoal > 0)
    add(Format("diff<%gms", r.differenceGoal * 1e3), r.ours - r.peer < r.differenceGoal);
  return text.empty() ? "-" : text;
}

}  // namespace

int main(int argc, char** argv) {
  bench::Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smoke") == 0) options.smoke = true;
    else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) options.only = argv[++i];
    else {
      std::fprintf(stderr, "usage: %s [--smoke] [--only TEXT]\n", argv[0]);
      return 2;
    }
  }
  int qtArgc = 1;
  QApplication app(qtArgc, argv);  // Qt's image readers and collation for the in-process rows
  std::string scratch = std::filesystem::temp_directory_path().string() + "/vindralo-bench-XXXXXX";
  options.scratch = mkdtemp(scratch.data());

  std::printf("vindralo_bench%s%s%s: %u cores, 1-minute load %.2f at the start; times are the best of a row's repeats\n",
              options.smoke ? " --smoke" : "", options.only.empty() ? "" : " --only ", options.only.c_str(),
              std::thread::hardware_concurrency(), bench::LoadAverage());
  std::printf("%-30s %10s %10s  %-28s %6s  %-22s %5s %8s %8s\n", "row", "ours (ms)", "peer (ms)", "peer", "ratio",
              "goal", "load", "RSS ours", "RSS peer");
  bool allMet = true, allRan = true;
  for (auto& [name, row] : bench::Rows()) {
    for (const bench::Result& r : row(options)) {
      const bool ran = r.ours > 0 && r.peer > 0;
      bool met = ran;
      const std::string goals = Goals(r, met);
      allRan = allRan && ran;
      allMet = allMet && met;
      std::printf("%-30s %10.2f %10.2f  %-28s %6s  %-22s %5.2f %8s %8s %s%s\n", r.name.c_str(), r.ours * 1e3,
                  r.peer * 1e3, r.peerName.c_str(), ran ? Format("%.2f", r.ours / r.peer).c_str() : "-",
                  goals.c_str(), r.load, Peak(r.oursPeakMiB).c_str(), Peak(r.peerPeakMiB).c_str(),
                  !ran ? "FAILED " : met ? "" : "MISSED ", r.note.c_str());
      std::fflush(stdout);
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(options.scratch, ec);
  if (!allRan) std::printf("some rows failed\n");
  if (!options.smoke && !allMet) std::printf("some goals were missed\n");
  return allRan ? 0 : 1;
}
