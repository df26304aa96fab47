// The installed application: `cmake --install` into a scratch prefix (with
// a blank in its path, as a desktop entry must quote), then the installed
// program runs on its own, reads its picture from the prefix, and ends with
// status 0 when it is sent SIGTERM, as a session manager ends it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

extern char** environ;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines of the file that start with the key and "=".
std::vector<std::string> Lines(const std::string& text, const std::string& key) {
  std::vector<std::string> found;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key + "=", 0) == 0) found.push_back(line);
  return found;
}

// A child's exit status, or -1 when it does not end in time.
int WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

class InstalledApplication : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = fs::temp_directory_path() / ("vindralo install " + std::to_string(getpid()));
    fs::remove_all(prefix_);
    log_ = prefix_.string() + ".log";
    const std::string command = std::string("'") + VINDRALO_CMAKE + "' --install '" + VINDRALO_BUILD_DIR +
                                "' --prefix '" + prefix_.string() + "' > '" + log_ + "' 2>&1";
    installStatus_ = std::system(command.c_str());
  }
  static void TearDownTestSuite() {
    fs::remove_all(prefix_);
    fs::remove(log_);
  }
  void SetUp() override { ASSERT_EQ(installStatus_, 0) << ReadAll(log_); }

  static inline fs::path prefix_;
  static inline std::string log_;
  static inline int installStatus_ = -1;
};

}  // namespace

TEST_F(InstalledApplication, TheDesktopEntryStartsTheInstalledProgramWithItsIcon) {
  const fs::path program = prefix_ / "bin" / "vindralo";
  ASSERT_TRUE(fs::is_regular_file(program));
  EXPECT_EQ(access(program.c_str(), X_OK), 0);

  const std::string entry = ReadAll(prefix_ / "share/applications/vindralo.desktop");
  ASSERT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
  EXPECT_EQ(Lines(entry, "Type"), std::vector<std::string>{"Type=Application"});
  // The full path, quoted for its blank.
  EXPECT_EQ(Lines(entry, "Exec"), std::vector<std::string>{"Exec=\"" + program.string() + "\""});
  EXPECT_EQ(Lines(entry, "Icon"), std::vector<std::string>{"Icon=vindralo"});

  QImage icon(QString::fromStdString((prefix_ / "share/icons/hicolor/128x128/apps/vindralo.png").string()));
  EXPECT_EQ(icon.size(), QSize(128, 128));
  QImage picture(QString::fromStdString((prefix_ / "share/vindralo/Resources/if_k100.png").string()));
  EXPECT_EQ(picture.size(), QSize(151, 113));
}

TEST_F(InstalledApplication, RunsFromThePrefixAndQuitsWithStatusZeroOnSIGTERM) {
  const fs::path program = prefix_ / "bin" / "vindralo";
  const fs::path picture = prefix_ / "share/vindralo/Resources/if_k100.png";
  // The program is up once it has read its picture, at the window's making.
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, picture.c_str(), IN_CLOSE_NOWRITE), 0);

  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string output = prefix_.string() + ".out";
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_addchdir_np(&files, "/");
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), &files, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&files);

  bool up = false;
  int early = -1;  // the status of a program that ended by itself
  for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
       !up && early < 0 && std::chrono::steady_clock::now() < end;) {
    pollfd ready{.fd = watch, .events = POLLIN};
    up = poll(&ready, 1, 100) == 1;
    if (!up) early = WaitForExit(pid, std::chrono::milliseconds(0));
  }
  close(watch);
  ASSERT_LT(early, 0) << "the installed program ended by itself\n" << ReadAll(output);
  // Nothing of the build folder is mapped into the running program.
  const std::string maps = ReadAll("/proc/" + std::to_string(pid) + "/maps");
  EXPECT_EQ(maps.find(VINDRALO_BUILD_DIR), std::string::npos);
  // FFmpeg's libraries (and the hundred they bring) wait for the first movie.
  EXPECT_EQ(maps.find("libavcodec"), std::string::npos);

  kill(pid, SIGTERM);
  const int status = WaitForExit(pid, std::chrono::seconds(10));
  if (status < 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  const std::string said = ReadAll(output);
  fs::remove(output);
  EXPECT_TRUE(up) << "the installed program did not read its picture\n" << said;
  EXPECT_EQ(status, 0) << said;
}
