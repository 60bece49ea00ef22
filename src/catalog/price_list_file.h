#pragma once

#include <QByteArray>
#include <QChar>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace app {
class RegionalSettings;
}

// A price list as a file: text with a header line naming the columns `codigo` and `costo`, and
// optionally `materia_seca` (other columns are left alone), separated by ";" or "," (the header
// line says which), one ingredient a line. Fields may be quoted with double quotes (a doubled
// quote inside stands for one). Numbers take the decimal mark of the regional settings and no
// thousands separator. UTF-8 with or without a byte-order mark, UTF-16 with one, or, failing
// UTF-8, Latin-1; CRLF or LF line ends; blank lines are skipped.
namespace catalog {

// A file that cannot be read as a list at all; message() says why, in Spanish.
class ListFileError : public std::runtime_error {
public:
    explicit ListFileError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

private:
    QString message_;
};
using PriceListError = ListFileError;

// What a kind of list is called in messages and which columns its header must name. Every list
// of the catalogue (prices, compositions) is read by the rules above.
struct ListFormat {
    QString kind;       // "lista de precios"
    QString notAList;   // why a header is refused; %1 is the file's name
    QStringList needed; // column names, as columnName() gives them
};

// The header of a list: each column named (lower case, no accents, spaces as "_") by its index.
struct ListHeader {
    QChar separator;
    QHash<QString, int> columns;
    int count = 0;

    int column(const QString& name) const { return columns.value(name, -1); }
};

// One line of data after the header: its number in the file (the header being line 1) and its
// fields, nothing when a quoted field is not closed. Blank lines are not given.
using ListLineReader = std::function<void(const ListHeader& header, int line,
                                          const std::optional<QStringList>& fields)>;

// Reads the contents of the file `fileName` (named in messages), giving each line of data to
// `line` in order; returns the header. Throws ListFileError for a file that is empty, not text, of
// more than 2,000,000 lines, or whose first line does not name the format's columns.
ListHeader readListFile(const QByteArray& content, const QString& fileName,
                        const ListFormat& format, const ListLineReader& line);
// The same from the file itself; also refuses a file that cannot be read or is too large.
ListHeader readListFile(const QString& fileName, const ListFormat& format,
                        const ListLineReader& line);

// A field of a line, trimmed; empty when the line has no such column.
QString listCell(const QStringList& fields, int column);
// The problem of a line with more fields than its header, or empty.
QString extraFieldsProblem(const QStringList& fields, const ListHeader& header);

// One line of ingredient data as read: the numbers when they are numbers, otherwise the reason
// the line cannot be used.
struct PriceListLine {
    int line = 0; // in the file, the header being line 1
    QString codigo;
    std::optional<double> costo;
    std::optional<double> materiaSeca; // nothing when the file or the cell gives none
    QString problem;                   // empty when the line can be used
};

struct PriceListFile {
    QChar separator;
    QChar decimalMark;
    bool hasMateriaSeca = false;
    std::vector<PriceListLine> lines;
};

// "," when the regional settings' decimal separator is a comma, otherwise ".".
QChar decimalMarkOf(app::RegionalSettings& settings);

// A number written with that decimal mark ("12,5" with ","); nothing when it is not one.
std::optional<double> priceNumber(const QString& text, QChar decimalMark);

// Reads the contents of the file `fileName` (named in messages). Throws PriceListError for a file
// that is empty, not text, of more than 2,000,000 lines, or whose first line does not name the
// columns.
PriceListFile readPriceList(const QByteArray& content, const QString& fileName, QChar decimalMark);
// The same from the file itself; also refuses a file that cannot be read or is too large.
PriceListFile readPriceListFile(const QString& fileName, QChar decimalMark);

} // namespace catalog
