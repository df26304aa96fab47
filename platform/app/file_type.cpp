#include "app/file_type.h"

#include <utility>

#include "runtime/class_entries.h"
#include "runtime/trace.h"
#include "testing.h"

namespace {

struct Registry {
  std::vector<FileTypeRegistration> types;
  std::vector<file_type_seam::Call> log;
};

// Never destroyed: a type still held by a static at exit may withdraw
// itself after every other static is gone.
Registry& FileTypeRegistry() {
  static Registry* r = new Registry();
  return *r;
}

}  // namespace

void FileType::SetName(std::string name) { Replace(name_, std::move(name)); }
void FileType::SetExtensions(std::string extensions) { Replace(extensions_, std::move(extensions)); }
void FileType::SetMacType(std::string macType) { Replace(macType_, std::move(macType)); }
void FileType::SetMacCreator(std::string macCreator) { Replace(macCreator_, std::move(macCreator)); }

void FileType::Replace(std::string& field, std::string value) {
  Deregister();
  field = std::move(value);
}

std::string FileType::Operator_Convert() {
  if (!registered_) Register();
  return name_;
}

void FileType::Register() {
  RuntimeRegisterFileType(name_, macCreator_, macType_, extensions_);  // a refusal is not reported
  registered_ = true;
}

void FileType::Deregister() {
  if (!registered_) return;
  RuntimeDeregisterFileType(name_);
  registered_ = false;
}

const ClassTable* FileType::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "FileType",
      .properties =
          {
              Property("Name", "s", &FileType::Name, &FileType::SetName),
              Property("Extensions", "s", &FileType::Extensions, &FileType::SetExtensions),
              Property("MacType", "s", &FileType::MacType, &FileType::SetMacType),
              Property("MacCreator", "s", &FileType::MacCreator, &FileType::SetMacCreator),
          },
      .finalizer = [](Object& o) { Receiver<FileType>(o).Destructor(); },
      .factory = [] { return static_cast<Object*>(new FileType()); },
  });
  return table;
}

bool RuntimeRegisterFileType(const std::string& name, const std::string& macCreator, const std::string& macType,
                             const std::string& extensions) {
  auto& r = FileTypeRegistry();
  FileTypeRegistration type{name, macCreator, macType, extensions};
  r.log.push_back({false, type});
  RuntimeTrace("file type registered " + name);
  std::erase_if(r.types, [&](auto& t) { return t.name == name; });
  r.types.push_back(std::move(type));
  return true;
}

void RuntimeDeregisterFileType(const std::string& name) {
  auto& r = FileTypeRegistry();
  r.log.push_back({true, {name, {}, {}, {}}});
  RuntimeTrace("file type withdrawn " + name);
  std::erase_if(r.types, [&](auto& t) { return t.name == name; });
}

namespace file_type_seam {
std::vector<Call> TakeLog() { return std::exchange(FileTypeRegistry().log, {}); }
std::vector<FileTypeRegistration> Registered() { return FileTypeRegistry().types; }
}  // namespace file_type_seam
