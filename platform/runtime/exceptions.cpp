#include "runtime/exceptions.h"

RuntimeException::RuntimeException(std::string className, std::string message)
    : className_(std::move(className)), message_(std::move(message)),
      what_(className_ + ": " + message_) {}

NilObjectException::NilObjectException(std::string message)
    : RuntimeException("NilObjectException", std::move(message)) {}

IllegalCastException::IllegalCastException(std::string message)
    : RuntimeException("IllegalCastException", std::move(message)) {}

IOException::IOException(std::string message)
    : RuntimeException("IOException", std::move(message)) {}

void RaiseNilObjectException() { throw NilObjectException(); }
void RaiseNilObjectException(const std::string& what) {
  throw NilObjectException(what + " is absent");
}
