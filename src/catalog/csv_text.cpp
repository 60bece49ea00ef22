#include "catalog/csv_text.h"

#include <QStringDecoder>

namespace catalog::csv {

std::optional<QString> decode(const QByteArray& content) {
    QString text;
    if (const auto encoding = QStringConverter::encodingForData(content)) {
        QStringDecoder decoder(*encoding);
        text = decoder(content);
        if (decoder.hasError())
            return std::nullopt;
    } else {
        QStringDecoder utf8(QStringConverter::Utf8);
        text = utf8(content);
        if (utf8.hasError())
            text = QString::fromLatin1(content);
    }
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1); // a mark the decoder kept
    for (const QChar c : std::as_const(text))
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            return std::nullopt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

std::optional<QStringList> splitFields(QStringView line, QChar separator) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c != u'"')
                field += c;
            else if (i + 1 < line.size() && line[i + 1] == u'"')
                field += line[++i];
            else
                quoted = false;
        } else if (c == separator) {
            fields << field;
            field.clear();
        } else if (c == u'"' && field.trimmed().isEmpty()) {
            quoted = true;
            field.clear();
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields << field;
    return fields;
}

std::optional<QChar> separatorOf(QStringView header) {
    int semicolons = 0, commas = 0;
    bool quoted = false;
    for (const QChar c : header) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u';')
            ++semicolons;
        else if (!quoted && c == u',')
            ++commas;
    }
    if (semicolons > 0)
        return u';';
    if (commas > 0)
        return u',';
    return std::nullopt;
}

QString columnName(const QString& caption) {
    const QString decomposed = caption.trimmed().toLower().normalized(QString::NormalizationForm_D);
    QString name;
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        name += c == u' ' ? u'_' : c;
    }
    return name;
}

QString cell(const QStringList& fields, int column) {
    return column >= 0 && column < fields.size() ? fields[column].trimmed() : QString();
}

bool blank(const QStringList& fields) {
    for (const QString& f : fields)
        if (!f.trimmed().isEmpty())
            return false;
    return true;
}

std::optional<QStringView> Lines::next() {
    if (at_ > text_.size())
        return std::nullopt;
    qsizetype end = text_.indexOf(u'\n', at_);
    if (end < 0)
        end = text_.size();
    const QStringView line = QStringView(text_).sliced(at_, end - at_);
    at_ = end + 1;
    ++number_;
    return line;
}

qsizetype lineCount(const QString& text) {
    return text.count(u'\n') + (text.endsWith(u'\n') ? 0 : 1);
}

} // namespace catalog::csv
