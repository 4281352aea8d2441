#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace tarvel {

// Base of every error the program raises. Log lines quote ClassName() and Message(),
// so each subclass names itself.
class EError : public std::exception {
public:
  explicit EError(std::u16string AMessage);
  ~EError() override = default;

  virtual std::u16string ClassName() const { return u"EError"; }
  const std::u16string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FUtf8.c_str(); }

private:
  std::u16string FMessage;
  std::string FUtf8;
};

#define TARVEL_DECLARE_ERROR(Name, Base)                                                                               \
  class Name : public Base {                                                                                           \
  public:                                                                                                              \
    using Base::Base;                                                                                                  \
    std::u16string ClassName() const override { return u## #Name; }                                                    \
  }

// A malformed argument to Format or a number that does not convert.
TARVEL_DECLARE_ERROR(EConvertError, EError);
// An index outside a list.
TARVEL_DECLARE_ERROR(ERangeError, EError);
// A malformed or unsupported image file or stream.
TARVEL_DECLARE_ERROR(EImageError, EError);

// How a log line names memory running out (std::bad_alloc).
inline const std::u16string OutOfMemoryClassName{u"EOutOfMemory"};
inline const std::u16string OutOfMemoryMessage{u"Out of memory"};
inline const std::u16string OutOfMemoryText{OutOfMemoryClassName + u": " + OutOfMemoryMessage};
// Reading or writing a file failed.
TARVEL_DECLARE_ERROR(EFileError, EError);

// A failed operating-system call: the code is the system's (Win32 error or HRESULT).
class EOSError : public EError {
public:
  EOSError(std::u16string AMessage, std::uint32_t ACode) : EError(std::move(AMessage)), FCode(ACode) {}
  std::u16string ClassName() const override { return u"EOSError"; }
  std::uint32_t Code() const noexcept { return FCode; }

private:
  std::uint32_t FCode;
};

// How a log line names an error: its class name, ": " and its message.
std::u16string ErrorText(const EError& AError);

// The check family. A failed call is met in one of three ways:
// - throw: the call raises (CheckWin32 and its kin for the system's calls, core/win32/Check.h;
//   a plain call of the program's own functions), and the error ends the command;
// - return: ReturnFailure runs an action and hands back what it raised, as a TFailure;
// - log: LogFailure runs an action and writes what it raised as one log line.
// The return and log variants catch the program's errors (EError) and memory running out
// (named as OutOfMemoryText names it); anything else is a fault and passes on.

// What an action raised; empty (false) when it ran through.
class TFailure {
public:
  TFailure() = default;
  // Inside a handler of EError or std::bad_alloc: the error being handled.
  static TFailure Current();

  explicit operator bool() const noexcept { return static_cast<bool>(FError); }
  const std::u16string& ClassName() const noexcept { return FClassName; }
  const std::u16string& Message() const noexcept { return FMessage; }
  // The class name, ": " and the message, as ErrorText gives it.
  std::u16string Text() const { return FClassName + u": " + FMessage; }
  // Whether the error is a TError (or derives from one).
  template <class TError> bool Is() const {
    if (!FError)
      return false;
    try {
      std::rethrow_exception(FError);
    } catch (const TError&) {
      return true;
    } catch (...) {
      return false;
    }
  }

private:
  std::exception_ptr FError;
  std::u16string FClassName;
  std::u16string FMessage;
};

// The return variant.
template <class TAction> TFailure ReturnFailure(TAction&& AAction) {
  try {
    std::forward<TAction>(AAction)();
    return {};
  } catch (const EError&) {
    return TFailure::Current();
  } catch (const std::bad_alloc&) {
    return TFailure::Current();
  }
}

// Which part of the failure a log line quotes after its prefix.
enum class TFailureText { ClassAndMessage, Message };

// The log variant: what AAction raised goes to ALog (called with the line) as APrefix
// followed by the failure's text; false then, true when AAction ran through.
template <class TAction, class TLog>
bool LogFailure(TAction&& AAction, TLog&& ALog, std::u16string_view APrefix,
                TFailureText AText = TFailureText::ClassAndMessage) {
  const TFailure failure = ReturnFailure(std::forward<TAction>(AAction));
  if (!failure)
    return true;
  std::forward<TLog>(ALog)(std::u16string(APrefix) +
                           (AText == TFailureText::ClassAndMessage ? failure.Text() : failure.Message()));
  return false;
}

} // namespace tarvel
