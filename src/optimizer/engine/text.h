#pragma once

#include <string>

namespace lp {

// The name without the padding of the fixed-width text fields it comes from.
std::string trimmed(const std::string& s);

// The first `count` characters of UTF-8 text (never cuts a character in two).
std::string firstCharacters(const std::string& s, size_t count);

} // namespace lp
