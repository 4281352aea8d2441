#include "core/Errors.h"

#include "core/Text.h"

namespace tarvel {

EError::EError(std::u16string AMessage) : FMessage(std::move(AMessage)), FUtf8(ToUtf8(FMessage)) {}

std::u16string ErrorText(const EError& AError) {
  return AError.ClassName() + u": " + AError.Message();
}

TFailure TFailure::Current() {
  TFailure failure;
  failure.FError = std::current_exception();
  try {
    throw;
  } catch (const EError& e) {
    failure.FClassName = e.ClassName();
    failure.FMessage = e.Message();
  } catch (const std::bad_alloc&) {
    failure.FClassName = OutOfMemoryClassName;
    failure.FMessage = OutOfMemoryMessage;
  }
  return failure;
}

} // namespace tarvel
