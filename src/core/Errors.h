#pragma once

#include <cstdint>
#include <exception>
#include <string>

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
inline const std::u16string OutOfMemoryText{u"EOutOfMemory: Out of memory"};
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

} // namespace tarvel
