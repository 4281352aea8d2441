#include "core/Errors.h"

#include "core/Text.h"

namespace tarvel {

EError::EError(std::u16string AMessage) : FMessage(std::move(AMessage)), FUtf8(ToUtf8(FMessage)) {}

} // namespace tarvel
