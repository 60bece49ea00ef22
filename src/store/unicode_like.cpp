#include "store/unicode_like.h"

#include <QList>
#include <QString>
#include <sqlite3.h>

namespace store {

namespace {

// Case-folded, with accents removed; Ñ keeps its own letter folded to ñ (it is no accented N in
// Spanish, but users searching "nandu" for "ñandú" are served anyway by the fold below).
std::u32string fold(const unsigned char* text) {
    const QString decomposed = QString::fromUtf8(reinterpret_cast<const char*>(text))
                                   .normalized(QString::NormalizationForm_D);
    std::u32string out;
    out.reserve(size_t(decomposed.size()));
    for (const uint c : decomposed.toCaseFolded().toUcs4()) {
        const QChar::Category cat = QChar::category(c);
        if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining ||
            cat == QChar::Mark_Enclosing)
            continue;
        out.push_back(c);
    }
    return out;
}

// Iterative wildcard match with backtracking on the last '%': linear in practice.
bool likeMatch(const std::u32string& pat, const std::u32string& str, char32_t escape) {
    size_t p = 0, s = 0, starP = std::u32string::npos, starS = 0;
    while (s < str.size()) {
        if (p < pat.size()) {
            char32_t pc = pat[p];
            if (pc == U'%' && pc != escape) {
                starP = ++p;
                starS = s;
                continue;
            }
            bool literal = false;
            if (escape && pc == escape && p + 1 < pat.size()) {
                pc = pat[++p];
                literal = true;
            }
            if ((!literal && pc == U'_') || pc == str[s]) {
                ++p;
                ++s;
                continue;
            }
            if (literal)
                --p; // undo the escape step before backtracking
        }
        if (starP == std::u32string::npos)
            return false;
        p = starP;
        s = ++starS;
    }
    while (p < pat.size() && pat[p] == U'%')
        ++p;
    return p == pat.size();
}

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const unsigned char* pattern = sqlite3_value_text(argv[0]);
    const unsigned char* text = sqlite3_value_text(argv[1]);
    if (!pattern || !text) {
        sqlite3_result_null(ctx);
        return;
    }
    char32_t escape = 0;
    if (argc == 3) {
        const unsigned char* e = sqlite3_value_text(argv[2]);
        const std::u32string esc = e ? fold(e) : std::u32string();
        if (esc.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = esc[0];
    }
    sqlite3_result_int(ctx, likeMatch(fold(pattern), fold(text), escape) ? 1 : 0);
}

} // namespace

bool installUnicodeLike(sqlite3* handle) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(handle, "like", 2, flags, nullptr, likeFunction, nullptr,
                                   nullptr) == SQLITE_OK &&
           sqlite3_create_function(handle, "like", 3, flags, nullptr, likeFunction, nullptr,
                                   nullptr) == SQLITE_OK;
}

} // namespace store
