#include "app/file_type.h"

#include <utility>

#include "runtime/class_entries.h"
#include "runtime/trace.h"

namespace {

struct Registry {
  std::vector<FileTypeRegistration> types;
  std::vector<file_type_seam::Call> log;
};

// Never destroyed: a type still held by a static at exit may withdraw
// itself after every other static is gone.
Registry& R() {
  static Registry* r = new Registry();
  return *r;
}

}  // namespace

void FileType::SetName(std::string name) { Replace(mName, std::move(name)); }
void FileType::SetExtensions(std::string extensions) { Replace(mExtension, std::move(extensions)); }
void FileType::SetMacType(std::string macType) { Replace(mMacType, std::move(macType)); }
void FileType::SetMacCreator(std::string macCreator) { Replace(mMacCreator, std::move(macCreator)); }

void FileType::Replace(std::string& field, std::string value) {
  Deregister();
  field = std::move(value);
}

std::string FileType::Operator_Convert() {
  if (!mRegistered) Register();
  return mName;
}

void FileType::Register() {
  RuntimeRegisterFileType(mName, mMacCreator, mMacType, mExtension);  // a refusal is not reported
  mRegistered = true;
}

void FileType::Deregister() {
  if (!mRegistered) return;
  RuntimeDeregisterFileType(mName);
  mRegistered = false;
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
  auto& r = R();
  FileTypeRegistration type{name, macCreator, macType, extensions};
  r.log.push_back({false, type});
  RuntimeTrace("file type registered " + name);
  std::erase_if(r.types, [&](auto& t) { return t.name == name; });
  r.types.push_back(std::move(type));
  return true;
}

void RuntimeDeregisterFileType(const std::string& name) {
  auto& r = R();
  r.log.push_back({true, {name, {}, {}, {}}});
  RuntimeTrace("file type withdrawn " + name);
  std::erase_if(r.types, [&](auto& t) { return t.name == name; });
}

std::vector<FileTypeRegistration> RuntimeRegisteredFileTypes() { return R().types; }

namespace file_type_seam {
std::vector<Call> TakeLog() { return std::exchange(R().log, {}); }
}  // namespace file_type_seam
