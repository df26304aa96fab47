#pragma once
// The platform's exceptions. Every error the runtime raises derives from
// RuntimeException and carries the class name and a message that says what
// was absent or what failed.
#include <exception>
#include <string>

class RuntimeException : public std::exception {
 public:
  RuntimeException(std::string className, std::string message);
  const std::string& ClassName() const noexcept { return className_; }
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::string className_;
  std::string message_;
  std::string what_;
};

class NilObjectException : public RuntimeException {
 public:
  explicit NilObjectException(std::string message = "an object was used while it was absent");
};

class IllegalCastException : public RuntimeException {
 public:
  explicit IllegalCastException(std::string message);
};

class IOException : public RuntimeException {
 public:
  explicit IOException(std::string message);
};

// The platform's own quit signal: unwinds a running handler when the user
// quits or closes the main window during a long loop. Not an error.
class QuitSignal : public std::exception {
 public:
  const char* what() const noexcept override { return "the application is quitting"; }
};

[[noreturn]] void RaiseNilObjectException();
[[noreturn]] void RaiseNilObjectException(const std::string& what);
