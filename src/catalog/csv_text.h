#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// The pieces every CSV file the catalogue reads shares (price lists, laboratory analyses): the
// text of the file, its lines, the separator the header line uses, quoted fields, and column
// names as people write them in a header.
namespace catalog::csv {

// The text of a file: by its byte-order mark when it has one, else UTF-8, else Latin-1 (a file
// saved by an older spreadsheet), the mark removed and the line ends made "\n". Nothing when the
// file is not text at all (a mark it does not live up to, or control characters other than tabs
// and line ends: a spreadsheet's own format, a database, a picture).
std::optional<QString> decode(const QByteArray& content);

// The fields of one line; nothing when a quoted field is not closed. A quote opens a quoted
// field only at the field's start; a doubled quote inside one stands for one quote.
std::optional<QStringList> splitFields(QStringView line, QChar separator);

// The separator the header line uses: ";" when it has one outside quotes, else ","; nothing when
// it has neither.
std::optional<QChar> separatorOf(QStringView header);

// "Código", " CODIGO ", "materia seca" name the columns codigo and materia_seca: lower case, no
// accents, blanks as "_".
QString columnName(const QString& caption);

// The trimmed field of a column; empty when the line has no such field.
QString cell(const QStringList& fields, int column);
// True when every field is blank.
bool blank(const QStringList& fields);

// The lines of a decoded text, read in place one at a time (a copy of each would double the
// text), numbered from 1.
class Lines {
public:
    explicit Lines(const QString& text) : text_(text) {}
    std::optional<QStringView> next();
    int number() const { return number_; }

private:
    const QString& text_;
    qsizetype at_ = 0;
    int number_ = 0;
};

// How many lines the text holds (a last line without an end counts).
qsizetype lineCount(const QString& text);

} // namespace catalog::csv
