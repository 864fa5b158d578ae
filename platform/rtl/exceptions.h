#pragma once
// The exception classes of the runtime. Every failure is an Exception carrying a fixed English message;
// the formatting constructor takes the framework's Format specifiers.

#include <exception>
#include <string>
#include <string_view>

#include "platform/rtl/format.h"
#include "platform/rtl/object.h"

namespace lab {

class Exception : public TObject, public std::exception {
  LAB_CLASS(Exception, TObject)
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  explicit Exception(const char* message) : message_(message) {}
  template <class A1, class... A>
  Exception(std::string_view format, const A1& first, const A&... rest)
      : message_(Format(format, first, rest...)) {}

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Declares `Name` deriving from `Parent` with the parent's constructors.
#define LAB_EXCEPTION(Name, Parent) \
  class Name : public Parent {      \
    LAB_CLASS(Name, Parent)         \
   public:                          \
    using Parent::Parent;           \
  }

// The silent exception: unwinds an operation without an error report.
LAB_EXCEPTION(EAbort, Exception);
LAB_EXCEPTION(EConvertError, Exception);
LAB_EXCEPTION(EListError, Exception);
LAB_EXCEPTION(EStringListError, Exception);
LAB_EXCEPTION(EInvalidOperation, Exception);
LAB_EXCEPTION(EInvalidGridOperation, Exception);
LAB_EXCEPTION(EInvalidPointer, Exception);
LAB_EXCEPTION(EStreamError, Exception);
LAB_EXCEPTION(EFilerError, EStreamError);
LAB_EXCEPTION(EReadError, EFilerError);
LAB_EXCEPTION(EWriteError, EFilerError);
LAB_EXCEPTION(EClassNotFound, EFilerError);
LAB_EXCEPTION(EFileStreamError, EStreamError);
LAB_EXCEPTION(EFOpenError, EFileStreamError);
LAB_EXCEPTION(EFCreateError, EFileStreamError);
LAB_EXCEPTION(EResNotFound, Exception);
LAB_EXCEPTION(EThread, Exception);
LAB_EXCEPTION(EOSError, Exception);
// A failed internal consistency check: the message ("Assertion failure" when none) and where it failed.
LAB_EXCEPTION(EAssertionFailed, Exception);

// Throws EAbort.
[[noreturn]] void Abort();

}  // namespace lab
