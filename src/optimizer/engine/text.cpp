#include "optimizer/engine/text.h"

namespace lp {

std::string trimmed(const std::string& s) {
    const char* blanks = " \t\r\n\f\v";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    const size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

std::string firstCharacters(const std::string& s, size_t count) {
    size_t pos = 0;
    for (size_t n = 0; n < count && pos < s.size(); ++n) {
        ++pos;
        // Continuation bytes (10xxxxxx) belong to the character just started.
        while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80)
            ++pos;
    }
    return s.substr(0, pos);
}

} // namespace lp
