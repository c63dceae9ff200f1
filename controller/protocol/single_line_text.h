#pragma once

#include <string>
#include <string_view>

namespace controller {

// `text` made fit for one line of a log or list: every byte that does not belong to a well-formed
// UTF-8 character (a stray continuation, a cut sequence, an overlong form, a surrogate, a value
// beyond U+10FFFF) becomes U+FFFD, and every control or line-breaking character (C0, DEL, C1,
// U+2028, U+2029) a blank. Everything else is kept as it is.
std::string singleLineText(std::string_view text);

} // namespace controller
