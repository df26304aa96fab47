#include "files/write_pool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <thread>
#include <vector>

#include "files/picture_files.h"
#include "media/jpeg.h"
#include "runtime/exceptions.h"
#include "runtime/runtime.h"

namespace write_pool {

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The folder a save writes into, opened when the save was made.
struct OpenFolder {
  int fd = -1;
  explicit OpenFolder(int f) : fd(f) {}
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  ~OpenFolder() {
    if (fd >= 0) close(fd);
  }
};

// One content's encoding, shared by the saves of that content queued while
// it is pending: the first worker that needs it encodes, the others wait.
struct Encoding {
  std::uint64_t stamp = 0;
  std::size_t charge = 0;  // pixel bytes counted against the limit
  PixelSnapshot pixels;    // until encoded; then handed back to be let go
  std::mutex mutex;
  std::condition_variable finished;
  enum class State { kWaiting, kRunning, kDone } state = State::kWaiting;
  EncodedBytes bytes;  // none when encoding failed
  std::string error;   // then the encoder's text
};

struct Save {
  std::uint64_t ticket = 0;
  std::string path, folder;
  int depth = 0;
  std::shared_ptr<Encoding> encoding;
  std::unique_ptr<OpenFolder> into;
};

// Encoded pixels go back to the thread that saved them, which lets them go:
// a picture's storage is written in place when its last holder lets go, so
// the last release must happen on the thread that writes the pictures.
struct Released {
  PixelSnapshot pixels;
  std::size_t charge = 0;
};

constexpr std::size_t kMiB = std::size_t{1} << 20;

class Pool {
 public:
  Pool();
  void Submit(const std::string& path, const Picture& picture);
  void WaitForPath(const std::string& path);
  void WaitForFolder(const std::string& folder);
  void WaitForAll();
  void WaitForDispatch(int depth);
  void Drain() noexcept;

  Limits CurrentLimits();
  void SetLimits(Limits limits);
  Stats CurrentStats();
  void ResetStats();
  void SetBeforeEachSave(std::function<void(const std::string&)> hook);

 private:
  using Lock = std::unique_lock<std::mutex>;
  template <class Ready>
  void Await(Lock& lock, Ready ready);
  void RaiseFailure(Lock& lock);
  void Work();
  EncodedBytes BytesOf(Encoding& encoding, const std::string& path);
  void Finish(const Save& save, std::exception_ptr failure);
  Limits DefaultLimits() const;

  std::size_t cores_ = 1;
  std::mutex mutex_;
  std::condition_variable work_;     // a save was queued, or the pool stops
  std::condition_variable changed_;  // a save finished, or pixels came back
  std::deque<Save> queue_;
  std::uint64_t nextTicket_ = 1;
  std::set<std::uint64_t> pending_;  // tickets queued or in a worker's hands
  std::map<std::string, int> pendingPaths_, pendingFolders_;
  std::map<int, int> pendingDepths_;
  std::map<std::uint64_t, std::weak_ptr<Encoding>> encodings_;  // not yet done, by stamp
  std::vector<Released> released_;
  std::size_t charged_ = 0;
  std::map<std::uint64_t, std::exception_ptr> failures_;  // by ticket
  Limits limits_;
  Stats stats_;
  std::function<void(const std::string&)> beforeEach_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

Pool* gPool = nullptr;  // made by the first save; touched only by the thread that saves

Pool::Pool() {
  // The caches the workers use must outlive them: made before the exit
  // handler below is registered, they are destroyed after it has run.
  FindEncodedPicture(0);
  ForgetDecodedFile("");
  cores_ = std::max(1u, std::thread::hardware_concurrency());
  limits_ = DefaultLimits();
  for (std::size_t i = 0; i < cores_; ++i) workers_.emplace_back([this] { Work(); });
  RuntimeAddDispatchEndHook([] { gPool->WaitForDispatch(RuntimeDispatchDepth()); });
  RuntimeAddExitHook([] { gPool->WaitForAll(); });
  std::atexit([] { gPool->Drain(); });
}

Limits Pool::DefaultLimits() const {
  // Two saves per worker keep every core busy; the pixel bytes keep a run of
  // 24-megapixel photos (96 MiB a picture) to a few pictures in flight.
  return {.saves = 2 * cores_, .pixelBytes = 288 * kMiB};
}

template <class Ready>
void Pool::Await(Lock& lock, Ready ready) {
  for (;;) {
    if (!released_.empty()) {
      std::vector<Released> letGo = std::move(released_);
      released_.clear();
      for (const Released& r : letGo) charged_ -= r.charge;
      lock.unlock();
      letGo.clear();
      lock.lock();
      continue;
    }
    if (ready()) return;
    changed_.wait(lock);
  }
}

void Pool::RaiseFailure(Lock& lock) {
  if (failures_.empty()) return;
  // The first failure in the order of the saves: every earlier save must
  // have finished before it is known which one that is.
  Await(lock, [&] { return pending_.empty() || *pending_.begin() > failures_.begin()->first; });
  const std::exception_ptr first = failures_.begin()->second;
  const std::size_t more = failures_.size() - 1;
  failures_.clear();
  lock.unlock();
  if (more == 0) std::rethrow_exception(first);
  try {
    std::rethrow_exception(first);
  } catch (const IOException& e) {
    throw IOException(e.Message() + " (and " + std::to_string(more) + (more == 1 ? " later save" : " later saves") +
                      " failed too)");
  }
}

void Pool::Submit(const std::string& path, const Picture& picture) {
  PixelSnapshot pixels = picture.Snapshot();
  if (!pixels) throw IOException("while saving " + path + ": the picture is empty");
  const std::string folder = FolderOf(path);
  const int depth = RuntimeDispatchDepth();
  Lock lock(mutex_);
  RaiseFailure(lock);  // returns only when there was none, the lock still held
  // Two saves to one path land in the order they were made.
  Await(lock, [&] { return !pendingPaths_.contains(path); });
  lock.unlock();

  auto into = std::make_unique<OpenFolder>(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (into->fd < 0) throw IOException("while saving " + path + ": " + std::strerror(errno));
  ForgetDecodedFile(path);

  const std::size_t bytes = static_cast<std::size_t>(pixels->width) * static_cast<std::size_t>(pixels->height) * 4;
  std::shared_ptr<Encoding> encoding;
  lock.lock();
  // The same content pending or already encoded shares that encoding.
  auto share = [&] {
    if (auto it = encodings_.find(pixels->stamp); it != encodings_.end())
      if (auto pending = it->second.lock()) return pending;
    if (EncodedBytes done = FindEncodedPicture(pixels->stamp)) {
      auto reuse = std::make_shared<Encoding>();
      reuse->stamp = pixels->stamp;
      reuse->state = Encoding::State::kDone;
      reuse->bytes = std::move(done);
      return reuse;
    }
    return std::shared_ptr<Encoding>();
  };
  Await(lock, [&] {
    if (pending_.size() >= limits_.saves) return false;
    encoding = share();
    return encoding || charged_ == 0 || charged_ + bytes <= limits_.pixelBytes;
  });
  if (!encoding) {
    encoding = std::make_shared<Encoding>();
    encoding->stamp = pixels->stamp;
    encoding->charge = bytes;
    encoding->pixels = std::move(pixels);
    encodings_[encoding->stamp] = encoding;
    charged_ += bytes;
  }
  const std::uint64_t ticket = nextTicket_++;
  queue_.push_back({ticket, path, folder, depth, std::move(encoding), std::move(into)});
  pending_.insert(ticket);
  ++pendingPaths_[path];
  ++pendingFolders_[folder];
  ++pendingDepths_[depth];
  stats_.peakSaves = std::max(stats_.peakSaves, pending_.size());
  stats_.peakPixelBytes = std::max(stats_.peakPixelBytes, charged_);
  lock.unlock();
  work_.notify_one();
}

void Pool::WaitForPath(const std::string& path) {
  Lock lock(mutex_);
  Await(lock, [&] { return !pendingPaths_.contains(path); });
  RaiseFailure(lock);
}

void Pool::WaitForFolder(const std::string& folder) {
  Lock lock(mutex_);
  Await(lock, [&] { return !pendingFolders_.contains(folder); });
  RaiseFailure(lock);
}

void Pool::WaitForAll() {
  Lock lock(mutex_);
  Await(lock, [&] { return pending_.empty(); });
  RaiseFailure(lock);
}

void Pool::WaitForDispatch(int depth) {
  // The saves made inside this dispatch, and inside the ones it runs; an
  // outer handler's saves are its own dispatch's to wait for.
  Lock lock(mutex_);
  Await(lock, [&] { return pendingDepths_.lower_bound(depth) == pendingDepths_.end(); });
  RaiseFailure(lock);
}

void Pool::Drain() noexcept {
  {
    Lock lock(mutex_);
    Await(lock, [&] { return pending_.empty(); });
    stopping_ = true;
  }
  work_.notify_all();
  for (std::thread& t : workers_) t.join();
  workers_.clear();
}

EncodedBytes Pool::BytesOf(Encoding& encoding, const std::string& path) {
  std::unique_lock lock(encoding.mutex);
  if (encoding.state == Encoding::State::kWaiting) {
    encoding.state = Encoding::State::kRunning;
    lock.unlock();
    EncodedBytes bytes;
    std::string error;
    try {
      bytes = EncodeJPEG(*encoding.pixels);
    } catch (const RuntimeException& e) {
      error = e.Message();
    } catch (const std::bad_alloc&) {
      error = "no memory to encode the picture";
    }
    if (bytes) KeepEncodedPicture(encoding.stamp, bytes);
    {
      std::lock_guard poolLock(mutex_);
      released_.push_back({std::move(encoding.pixels), encoding.charge});
      if (auto it = encodings_.find(encoding.stamp); it != encodings_.end() && it->second.lock().get() == &encoding)
        encodings_.erase(it);
      ++stats_.encodes;
    }
    changed_.notify_all();
    lock.lock();
    encoding.bytes = std::move(bytes);
    encoding.error = std::move(error);
    encoding.state = Encoding::State::kDone;
    encoding.finished.notify_all();
  } else {
    encoding.finished.wait(lock, [&] { return encoding.state == Encoding::State::kDone; });
  }
  if (!encoding.bytes) throw IOException("while saving " + path + ": " + encoding.error);
  return encoding.bytes;
}

void Pool::Work() {
  for (;;) {
    Save save;
    std::function<void(const std::string&)> before;
    {
      Lock lock(mutex_);
      work_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      save = std::move(queue_.front());
      queue_.pop_front();
      before = beforeEach_;
    }
    std::exception_ptr failure;
    try {
      if (before) before(save.path);
    } catch (...) {
    }
    try {
      const EncodedBytes bytes = BytesOf(*save.encoding, save.path);
      WriteFileReplacingIn(save.into->fd, save.path, bytes->data(), bytes->size());
    } catch (...) {
      failure = std::current_exception();
    }
    save.into.reset();
    save.encoding.reset();
    Finish(save, std::move(failure));  // the worker keeps no share of the failure
  }
}

void Pool::Finish(const Save& save, std::exception_ptr failure) {
  auto drop = [](auto& counts, const auto& key) {
    if (auto it = counts.find(key); it != counts.end() && --it->second <= 0) counts.erase(it);
  };
  {
    std::lock_guard lock(mutex_);
    pending_.erase(save.ticket);
    drop(pendingPaths_, save.path);
    drop(pendingFolders_, save.folder);
    drop(pendingDepths_, save.depth);
    if (failure) failures_.emplace(save.ticket, std::move(failure));
    ++stats_.writes;
  }
  changed_.notify_all();
}

Limits Pool::CurrentLimits() {
  std::lock_guard lock(mutex_);
  return limits_;
}

void Pool::SetLimits(Limits limits) {
  {
    std::lock_guard lock(mutex_);
    const Limits defaults = DefaultLimits();
    limits_.saves = limits.saves ? limits.saves : defaults.saves;
    limits_.pixelBytes = limits.pixelBytes ? limits.pixelBytes : defaults.pixelBytes;
  }
  changed_.notify_all();
}

Stats Pool::CurrentStats() {
  std::lock_guard lock(mutex_);
  return stats_;
}

void Pool::ResetStats() {
  std::lock_guard lock(mutex_);
  stats_ = {};
}

void Pool::SetBeforeEachSave(std::function<void(const std::string&)> hook) {
  std::lock_guard lock(mutex_);
  beforeEach_ = std::move(hook);
}

Pool& Made() {
  if (!gPool) gPool = new Pool;  // lives for the process; its exit handler drains it
  return *gPool;
}

}  // namespace

void Submit(const std::string& path, const Picture& picture) { Made().Submit(path, picture); }

void WaitForPath(const std::string& path) {
  if (gPool) gPool->WaitForPath(path);
}
void WaitForFolder(const std::string& folder) {
  if (gPool) gPool->WaitForFolder(folder);
}
void WaitForAll() {
  if (gPool) gPool->WaitForAll();
}

Limits CurrentLimits() { return Made().CurrentLimits(); }
Stats CurrentStats() { return gPool ? gPool->CurrentStats() : Stats{}; }
void ResetStats() {
  if (gPool) gPool->ResetStats();
}
void SetLimits(Limits limits) { Made().SetLimits(limits); }
void SetBeforeEachSave(std::function<void(const std::string& path)> hook) {
  Made().SetBeforeEachSave(std::move(hook));
}

}  // namespace write_pool
