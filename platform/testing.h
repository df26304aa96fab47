#pragma once
// The platform's test seams, all in one place: the ways a test (or the
// benchmark) answers what a user would answer, makes a failure happen or
// watches what the platform does. None changes what the platform does
// unless a test sets it: dialogs are shown, hooks are empty and the trace
// records nothing until a test turns them on. Each seam is implemented
// beside the part of the platform it stands in for; a seam of another part
// is declared here as a section of its own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class MenuItem;

// --- dialogs and message boxes (platform/dialogs/seam.cpp) ---------------------

// A dialog or message box as the seam saw it instead of showing it.
struct DialogRecord {
  std::string kind;  // "MsgBox", "SelectFolder", "GetOpenFolderItem", "SelectFolderDialog", "SaveAsDialog"
  std::string text;  // the message of a MsgBox
  std::map<std::string, std::string> fields;  // Title, PromptText, ActionButtonCaption, InitialDirectory, ...
};

namespace dialog_seam {
// While on, no dialog or message box is shown: each is logged with its
// texts, and each file or folder dialog takes the next queued answer.
// Turning it on or off clears the answers, the log and the hook.
void Enable(bool on);
bool Enabled() noexcept;
// Queues the answer to the next file or folder dialog: a path, or nullopt
// for cancel. A dialog with no queued answer is cancelled.
void Answer(std::optional<std::string> path);
// Takes the answer for a dialog being shown (the dialogs call it).
std::optional<std::string> NextAnswer();
// Called while a dialog or message box is "open", after it is logged, so a
// test can act while the handler waits in it. Empty: none.
void OnShow(std::function<void(const DialogRecord&)> hook);
// Logs a dialog being shown (the dialogs call it).
void Record(const DialogRecord& record);
std::vector<DialogRecord> TakeLog();
// The texts of the message boxes shown since the last TakeLog, in order.
std::vector<std::string> Messages();
}  // namespace dialog_seam

// --- menus (platform/ui/menu.cpp) ----------------------------------------------

namespace menu_seam {
// How many menu items exist right now (bars and quit items included).
int LiveItems() noexcept;
// Called on every Append with the receiver and the item, before it is
// added; a test makes building fail by raising from it. Empty: none.
void OnAppend(std::function<void(const MenuItem& parent, const MenuItem& item)> hook);
}  // namespace menu_seam

// --- declared file types (platform/app/file_type.cpp) ----------------------------

// A registration as the platform received it, in the call's argument order.
struct FileTypeRegistration {
  std::string name;
  std::string macCreator;
  std::string macType;
  std::string extensions;
  friend bool operator==(const FileTypeRegistration&, const FileTypeRegistration&) = default;
};

namespace file_type_seam {
struct Call {
  bool withdraw = false;  // false: a registration; true: a withdrawal (only `name` is set)
  FileTypeRegistration type;
};
// Every registration and withdrawal since the last call, in order.
std::vector<Call> TakeLog();
// The types registered now, in the order they were registered (a later
// registration under the same Name replaces the earlier one).
std::vector<FileTypeRegistration> Registered();
}  // namespace file_type_seam

// --- the process (platform/runtime/runtime.cpp, trace.cpp) --------------------------

// Work run once when the framework initialises, before the start-up entry,
// and once when the event loop is entered (as a dispatched event). Each is
// cleared after it ran.
void RuntimeOnFrameworkInitialization(std::function<void()> hook);
void RuntimeOnLoopEntered(std::function<void()> hook);

// The trace: while on, the platform records the milestones of a process
// (runtime started, classes registered, start-up run, loop entered, events,
// releases, exit) so tests can check their order without reading the code.
void RuntimeEnableTrace(bool on);
std::vector<std::string> RuntimeTakeTrace();

// --- the cross-fade (platform/media/effect.cpp) ---------------------------------

namespace effect_seam {
// While set, a step for which the predicate answers true gives no picture
// (an empty function turns it off).
void FailWhen(std::function<bool(std::int32_t step)> predicate);
}  // namespace effect_seam

// --- pictures read and written (platform/files/picture_files.cpp) ---------------

// Forgets every decoded file and every encoded picture the platform keeps
// for reuse, so that the next open decodes and the next save encodes (a
// test of the files themselves, a benchmark row that times the work).
void ClearPictureFileCaches();

// --- frames written on the workers (platform/files/write_pool.cpp) --------------

namespace write_pool {
// What the pool holds at most at one moment: pending saves, and bytes of
// pixels not yet encoded (one picture is always let in, however big).
struct Limits {
  std::size_t saves = 0;
  std::size_t pixelBytes = 0;
};
Limits CurrentLimits();
// Other limits (zero fields keep the defaults).
void SetLimits(Limits limits);
// What the pool did since the last ResetStats.
struct Stats {
  std::size_t encodes = 0;  // pictures encoded by the workers
  std::size_t writes = 0;   // files written (or failed)
  std::size_t peakSaves = 0;
  std::size_t peakPixelBytes = 0;
};
Stats CurrentStats();
void ResetStats();
// Work a worker does before each save it takes: a test slows the workers
// down with it, or makes a save fail by raising an IOException.
void SetBeforeEachSave(std::function<void(const std::string& path)> hook);
}  // namespace write_pool

// --- a movie's pictures queued for converting (platform/media/movie_writer.cpp) -

namespace movie_queue {
struct Limits {
  std::size_t pictures = 0;  // pictures waiting at once
  std::size_t bytes = 0;     // their pixels and their converted frames
};
Limits CurrentLimits();
// Other limits from the next Append on (zero fields keep the defaults).
void SetLimits(Limits limits);
struct Stats {
  std::size_t conversions = 0;
  std::size_t peakPictures = 0, peakBytes = 0;
};
Stats CurrentStats();
void ResetStats();
// Work a worker does before each conversion (a test slows some down).
void SetBeforeEachConversion(std::function<void(std::int64_t frame)> hook);
}  // namespace movie_queue
