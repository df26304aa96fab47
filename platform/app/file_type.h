#pragma once
// Declared file types: a type registers itself with the platform the first
// time it is converted to its Name, and withdraws the registration when a
// property changes or the last reference to it goes.
#include <string>

#include "runtime/classes.h"

class FileType : public Object {
 public:
  const std::string& Name() const noexcept { return name_; }
  const std::string& Extensions() const noexcept { return extensions_; }
  const std::string& MacType() const noexcept { return macType_; }
  const std::string& MacCreator() const noexcept { return macCreator_; }
  bool Registered() const noexcept { return registered_; }

  // Each setter first withdraws an earlier registration, which would carry
  // the old value.
  void SetName(std::string name);
  void SetExtensions(std::string extensions);
  void SetMacType(std::string macType);
  void SetMacCreator(std::string macCreator);

  // The conversion to a String: registers the type unless it is registered
  // already, then gives its Name.
  std::string Operator_Convert();
  // Registers with Name, MacCreator, MacType and Extensions; the type counts
  // as registered whatever the platform answers.
  void Register();
  // Withdraws the registration, if there is one.
  void Deregister();
  // Runs when the object ends: withdraws its registration.
  void Destructor() { Deregister(); }

  static const ClassTable* StaticClass();

 private:
  void Replace(std::string& field, std::string value);

  std::string name_;
  std::string extensions_;
  std::string macType_;
  std::string macCreator_;
  bool registered_ = false;
};

// Registers a declared type with the platform (a later registration under
// the same Name replaces the earlier one); returns whether it was taken.
bool RuntimeRegisterFileType(const std::string& name, const std::string& macCreator, const std::string& macType,
                             const std::string& extensions);
void RuntimeDeregisterFileType(const std::string& name);
