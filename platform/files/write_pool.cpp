#include "files/write_pool.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <vector>

#include "files/file_descriptor.h"
#include "files/paths.h"
#include "files/picture_files.h"
#include "files/temp_files.h"
#include "media/jpeg.h"
#include "runtime/exceptions.h"
#include "runtime/runtime.h"
#include "runtime/task_pool.h"
#include "testing.h"

namespace write_pool {

namespace {

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

// One save, from the call to the rename that puts it in place.
struct Save {
  std::uint64_t ticket = 0;
  std::string path, folder;
  int depth = 0;
  std::shared_ptr<Encoding> encoding;
  FileDescriptor into;  // the folder, opened at the save
  std::string temp;     // the complete temporary file, once written
  std::exception_ptr failure;
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
  ~Pool();
  void Submit(const std::string& path, const Picture& picture);
  void WaitForPath(const std::string& path);
  void WaitForFolder(const std::string& folder);
  void WaitForAll();
  void WaitForDispatch(int depth);

  Limits CurrentLimits();
  void SetLimits(Limits limits);
  Stats CurrentStats();
  void ResetStats();
  void SetBeforeEachSave(std::function<void(const std::string&)> hook);

 private:
  using Lock = std::unique_lock<std::mutex>;
  template <class Ready>
  void Await(Lock& lock, Ready ready);
  std::exception_ptr* FailureFor(int depth);
  void RaiseFailure(Lock& lock, int depth);
  void Run(const std::shared_ptr<Save>& save);
  EncodedBytes BytesOf(Encoding& encoding, const std::string& name, JpegSink* sink);
  void Commit(std::shared_ptr<Save> save);
  Limits DefaultLimits() const;

  // The saves made at one dispatch depth (one handler, and the ones after
  // it at that depth), put in place in the order they were made: a save's
  // rename waits for every earlier one of its stream, so that what is on
  // disk is always the saves up to some point, never with holes. A nested
  // handler's saves are a stream of their own and need not wait for the
  // saves of the handler it runs inside.
  //
  // A failure is the stream's too: it is raised in the handler whose saves
  // failed (or one it runs inside), never in a handler nested in it, such
  // as a repaint during its background task, which could not undo the
  // run the frame belongs to.
  struct Stream {
    std::set<std::uint64_t> pending;                           // tickets not yet put in place
    std::map<std::uint64_t, std::shared_ptr<Save>> finished;  // written (or failed), awaiting their turn
    bool committing = false;
    std::exception_ptr failure;  // the first one not yet raised
    // The saves made after a failed one and before the failure was known:
    // dropped, not written, so that no file follows the failed one.
    std::uint64_t dropFrom = 1, dropThrough = 0;
    bool Drops(std::uint64_t ticket) const noexcept { return ticket >= dropFrom && ticket <= dropThrough; }
  };

  std::mutex mutex_;
  std::condition_variable changed_;  // a save was put in place, or pixels came back
  std::uint64_t nextTicket_ = 1;
  std::size_t pendingCount_ = 0;
  std::map<std::string, int> pendingPaths_, pendingFolders_;
  std::map<int, Stream> streams_;  // by dispatch depth
  std::map<std::uint64_t, std::weak_ptr<Encoding>> encodings_;  // not yet done, by stamp
  std::vector<Released> released_;
  std::size_t charged_ = 0;
  Limits limits_;
  Stats stats_;
  std::function<void(const std::string&)> beforeEach_;
};

Pool::Pool() {
  // The caches the workers use must outlive them: made before this pool,
  // they are destroyed after it.
  FindEncodedPicture(0);
  ForgetDecodedFile("");
  limits_ = DefaultLimits();
  RuntimeAddDispatchEndHook([this] { WaitForDispatch(RuntimeDispatchDepth()); });
  RuntimeAddExitHook([this] { WaitForAll(); });
}

Pool::~Pool() {
  Lock lock(mutex_);
  Await(lock, [&] { return pendingCount_ == 0; });
}

Limits Pool::DefaultLimits() const {
  // Two saves per worker keep every core busy; the pixel bytes keep a run of
  // 24-megapixel photos to three pictures in flight as YUV (34 MiB each), or
  // one as RGB32 (92 MiB): a big picture is encoded in strips on every core,
  // so a few in flight are enough, and a 24-megapixel run stays within
  // 500 MiB with the decoded photos ahead and the pools beside them.
  return {.saves = 2 * task_pool::Workers(), .pixelBytes = 128 * kMiB};
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

// The failure to raise at a waiting point at that dispatch depth: one of
// the saves made at that depth or deeper; none when there is none.
std::exception_ptr* Pool::FailureFor(int depth) {
  for (auto it = streams_.lower_bound(depth); it != streams_.end(); ++it)
    if (it->second.failure) return &it->second.failure;
  return nullptr;
}

void Pool::RaiseFailure(Lock& lock, int depth) {
  std::exception_ptr* pending = FailureFor(depth);
  if (!pending) return;
  const std::exception_ptr failure = std::exchange(*pending, nullptr);
  lock.unlock();
  std::rethrow_exception(failure);
}

void Pool::Submit(const std::string& path, const Picture& picture) {
  // Failures name the frame by its name: its folder is the one the user chose.
  const std::string name = NameOfPath(path);
  PixelSnapshot pixels = picture.Snapshot();
  if (!pixels) throw IOException("while saving " + name + ": the picture is empty");
  auto save = std::make_shared<Save>();
  save->path = path;
  save->folder = FolderOfPath(path);
  save->depth = RuntimeDispatchDepth();
  {
    Lock lock(mutex_);
    RaiseFailure(lock, save->depth);  // returns only when there was none
  }
  save->into = FileDescriptor(open(save->folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (save->into.fd < 0) throw IOException("while saving " + name + ": " + std::strerror(errno));
  RemoveStaleTempFiles(save->into.fd, save->folder);
  ForgetDecodedFile(path);

  const std::size_t bytes = PixelBytes(*pixels);
  Lock lock(mutex_);
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
    if (FailureFor(save->depth)) return true;
    if (pendingCount_ >= limits_.saves) return false;
    save->encoding = share();
    return save->encoding || charged_ == 0 || charged_ + bytes <= limits_.pixelBytes;
  });
  // A failure that came while this save waited is raised instead: a save
  // made once a failure is known would land after the failed one.
  if (FailureFor(save->depth)) {
    save->encoding.reset();
    RaiseFailure(lock, save->depth);
  }
  if (!save->encoding) {
    auto encoding = std::make_shared<Encoding>();
    encoding->stamp = pixels->stamp;
    encoding->charge = bytes;
    encoding->pixels = std::move(pixels);
    encodings_[encoding->stamp] = encoding;
    charged_ += bytes;
    save->encoding = std::move(encoding);
  }
  save->ticket = nextTicket_++;
  streams_[save->depth].pending.insert(save->ticket);
  ++pendingCount_;
  ++pendingPaths_[save->path];
  ++pendingFolders_[save->folder];
  stats_.peakSaves = std::max(stats_.peakSaves, pendingCount_);
  stats_.peakPixelBytes = std::max(stats_.peakPixelBytes, charged_);
  lock.unlock();
  task_pool::Post([this, save] { Run(save); });
}

void Pool::WaitForPath(const std::string& path) {
  Lock lock(mutex_);
  Await(lock, [&] { return !pendingPaths_.contains(path); });
  RaiseFailure(lock, RuntimeDispatchDepth());
}

void Pool::WaitForFolder(const std::string& folder) {
  Lock lock(mutex_);
  Await(lock, [&] { return !pendingFolders_.contains(folder); });
  RaiseFailure(lock, RuntimeDispatchDepth());
}

void Pool::WaitForAll() {
  Lock lock(mutex_);
  Await(lock, [&] { return pendingCount_ == 0; });
  RaiseFailure(lock, RuntimeDispatchDepth());
}

void Pool::WaitForDispatch(int depth) {
  // The saves made inside this dispatch, and inside the ones it runs; an
  // outer handler's saves are its own dispatch's to wait for.
  Lock lock(mutex_);
  Await(lock, [&] {
    for (auto it = streams_.lower_bound(depth); it != streams_.end(); ++it)
      if (!it->second.pending.empty()) return false;
    return true;
  });
  RaiseFailure(lock, depth);
}

// The encoding's bytes; encoded here when no other save has begun it, its
// bytes then given to `sink` (if any) while they are made.
EncodedBytes Pool::BytesOf(Encoding& encoding, const std::string& name, JpegSink* sink) {
  std::unique_lock lock(encoding.mutex);
  if (encoding.state == Encoding::State::kWaiting) {
    encoding.state = Encoding::State::kRunning;
    lock.unlock();
    EncodedBytes bytes;
    std::string error;
    try {
      bytes = sink ? EncodeJPEG(*encoding.pixels, *sink) : EncodeJPEG(*encoding.pixels);
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
  if (!encoding.bytes) throw IOException("while saving " + name + ": " + encoding.error);
  return encoding.bytes;
}

void Pool::Run(const std::shared_ptr<Save>& save) {
  std::function<void(const std::string&)> before;
  bool dropped = false;
  {
    std::lock_guard lock(mutex_);
    before = beforeEach_;
    dropped = streams_[save->depth].Drops(save->ticket);
  }
  try {
    if (before) before(save->path);
    // A dropped save is encoded all the same (the saves sharing its
    // encoding may be kept, and its pixels go back the usual way), but
    // nothing is written.
    const std::string name = NameOfPath(save->path);
    // The worker that encodes a frame writes its strips into the temporary
    // file while it encodes the rest, so that a frame is on disk soon after
    // its last strip is encoded. A file that cannot be made is said after
    // the encoding, as when the bytes were written after it: its pixels go
    // back all the same, and a failed encoding is said first.
    std::optional<TempFileWriter> file;
    std::exception_ptr cannotMake;
    if (!dropped) {
      try {
        file.emplace(save->into.fd, name);
      } catch (...) {
        cannotMake = std::current_exception();
      }
    }
    struct IntoFile final : JpegSink {
      TempFileWriter* file = nullptr;
      bool given = false;
      void Part(std::span<const std::span<const unsigned char>> parts) noexcept override {
        given = true;
        file->Append(parts);
      }
      void Restart() noexcept override { file->Rewind(); }
    } sink;
    sink.file = file ? &*file : nullptr;
    const EncodedBytes bytes = BytesOf(*save->encoding, name, file ? &sink : nullptr);
    if (cannotMake) std::rethrow_exception(cannotMake);
    if (file) {
      if (!sink.given) file->Append(bytes->Parts());  // another save encoded it
      save->temp = file->Finish();
    }
  } catch (...) {
    save->failure = std::current_exception();
  }
  save->encoding.reset();
  Commit(save);
}

void Pool::Commit(std::shared_ptr<Save> save) {
  Lock lock(mutex_);
  Stream& stream = streams_[save->depth];  // map nodes stay where they are
  stream.finished.emplace(save->ticket, std::move(save));
  if (stream.committing) return;  // the worker putting this stream in place takes it in turn
  stream.committing = true;
  while (!stream.pending.empty()) {
    auto it = stream.finished.find(*stream.pending.begin());
    if (it == stream.finished.end()) break;  // an earlier save is still being written
    std::shared_ptr<Save> next = std::move(it->second);
    stream.finished.erase(it);
    const bool dropped = stream.Drops(next->ticket);
    lock.unlock();
    if (!next->temp.empty()) {
      if (dropped) {
        unlinkat(next->into.fd, next->temp.c_str(), 0);
      } else {
        try {
          ReplaceWithTempFile(next->into.fd, next->temp, NameOfPath(next->path));
        } catch (...) {
          next->failure = std::current_exception();
        }
      }
    }
    next->into = FileDescriptor();
    lock.lock();
    if (next->failure && !dropped) {
      // Every save of this stream made up to now comes after this one.
      if (!stream.failure) stream.failure = next->failure;
      stream.dropFrom = next->ticket + 1;
      stream.dropThrough = nextTicket_ - 1;
    }
    auto drop = [](auto& counts, const auto& key) {
      if (auto c = counts.find(key); c != counts.end() && --c->second <= 0) counts.erase(c);
    };
    stream.pending.erase(next->ticket);
    --pendingCount_;
    drop(pendingPaths_, next->path);
    drop(pendingFolders_, next->folder);
    ++stats_.writes;
    lock.unlock();
    next.reset();
    changed_.notify_all();
    lock.lock();
  }
  stream.committing = false;
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

// Made by the first save, for the rest of the process.
Pool* gPool = nullptr;

Pool& TheOne() {
  static Pool pool;
  gPool = &pool;
  return pool;
}

}  // namespace

void Submit(const std::string& path, const Picture& picture) { TheOne().Submit(path, picture); }

void WaitForPath(const std::string& path) {
  if (gPool) gPool->WaitForPath(path);
}
void WaitForFolder(const std::string& folder) {
  if (gPool) gPool->WaitForFolder(folder);
}
void WaitForAll() {
  if (gPool) gPool->WaitForAll();
}

Limits CurrentLimits() { return TheOne().CurrentLimits(); }
Stats CurrentStats() { return gPool ? gPool->CurrentStats() : Stats{}; }
void ResetStats() {
  if (gPool) gPool->ResetStats();
}
void SetLimits(Limits limits) { TheOne().SetLimits(limits); }
void SetBeforeEachSave(std::function<void(const std::string& path)> hook) {
  TheOne().SetBeforeEachSave(std::move(hook));
}

}  // namespace write_pool
