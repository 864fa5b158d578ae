#pragma once
// The editor's exception classes. Each carries a fixed English message.

#include <string_view>

#include "platform/rtl/exceptions.h"

namespace lab {

LAB_EXCEPTION(ECodeEditError, Exception);
LAB_EXCEPTION(ECodeEditStringList, EStringListError);
LAB_EXCEPTION(ECodeKeyError, Exception);
LAB_EXCEPTION(EFontStockException, Exception);
LAB_EXCEPTION(ETextDrawerException, Exception);
LAB_EXCEPTION(ECodeMethodChain, Exception);

// Raises EAssertionFailed for misuse found inside the editor: the message ("Assertion failure" when
// none is given) followed by the unit in parentheses, e.g. "Assertion failure (CodeTextDrawer)".
[[noreturn]] void CodeAssertionFailed(std::string_view Unit, std::string_view Message = {});

}  // namespace lab
