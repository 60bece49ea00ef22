#include "cli/shown_text.h"

#include <QList>

namespace cli {

namespace {

bool printable(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

QString escaped(char32_t c) {
    return c <= 0xFF ? QString::asprintf("\\x%02X", unsigned(c))
                     : QString::asprintf("\\u%04X", unsigned(c));
}

} // namespace

QString shownText(const QString& text, int limit) {
    QString out;
    const QList<uint> codePoints = text.toUcs4();
    for (const uint c : codePoints) {
        const char32_t point = c;
        const QString piece = printable(point) ? QString::fromUcs4(&point, 1) : escaped(point);
        if (out.size() + piece.size() > limit) {
            out += QStringLiteral("…");
            break;
        }
        out += piece;
    }
    return out;
}

} // namespace cli
