// vindralo_bench [--smoke]: times the media platform against raw library
// calls and peer tools, each pair in the same run, and prints the ratios.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

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

int main(int argc, char** argv) {
  bench::Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smoke") == 0) options.smoke = true;
  }
  int qtArgc = 1;
  QApplication app(qtArgc, argv);  // Qt's image readers and collation, and the engine rows' window
  QApplication::setQuitOnLastWindowClosed(false);  // each engine row closes its window; the next opens one
  std::string scratch = std::filesystem::temp_directory_path().string() + "/vindralo-bench-XXXXXX";
  options.scratch = mkdtemp(scratch.data());

  std::printf("%-34s %12s %12s  %-28s %7s %6s\n", "row", "ours (ms)", "ref (ms)", "reference", "ratio", "goal");
  bool allMet = true;
  for (auto& [name, row] : bench::Rows()) {
    for (const bench::Result& r : row(options)) {
      const double ratio = r.reference > 0 ? r.ours / r.reference : 0;
      const bool met = r.goal <= 0 || ratio <= r.goal;
      allMet = allMet && met;
      std::printf("%-34s %12.2f %12.2f  %-28s %7.3f %6.2f %s%s\n", r.name.c_str(), r.ours * 1e3, r.reference * 1e3,
                  r.referenceName.c_str(), ratio, r.goal, met ? "" : "MISSED ", r.note.c_str());
    }
  }
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak RSS: %.1f MiB\n", usage.ru_maxrss / 1024.0);
  std::error_code ec;
  std::filesystem::remove_all(options.scratch, ec);
  if (!options.smoke && !allMet) std::printf("some goals were missed\n");
  return 0;
}
