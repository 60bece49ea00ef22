#pragma once

#include <QString>

namespace cli {

// A value the user typed (or a message that carries one) as an error line shows it: characters
// that a terminal would act on instead of showing (controls, escape sequences, direction marks,
// line breaks) are written as \xNN or \uNNNN, and text past `limit` characters is cut with "…".
QString shownText(const QString& text, int limit = 60);

// A whole message line: the same, with room for the paths and texts a message quotes.
inline QString shownLine(const QString& text) {
    return shownText(text, 300);
}

} // namespace cli
