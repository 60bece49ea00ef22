#include "catalog/price_list_file.h"

#include "app/number_text.h"
#include "app/regional_settings.h"
#include "catalog/csv_text.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace catalog {

namespace {

// A price list of a whole catalogue is well under a megabyte; anything this large is not one.
constexpr qint64 kLargestFile = 64 * 1024 * 1024;
// Nor is a file of more lines than this, however short: each line read takes memory of its own.
constexpr qsizetype kMostLines = 2000000;

QString notText(const QString& fileName) {
    return QStringLiteral("El archivo %1 no es un archivo de texto: una lista de precios es un "
                          "archivo CSV (guarde la planilla como «CSV»).")
        .arg(fileName);
}

// The text of the file, or why it is not one a price list can be read from.
QString decode(const QByteArray& content, const QString& fileName) {
    std::optional<QString> text = csv::decode(content);
    if (!text)
        throw PriceListError(notText(fileName));
    if (text->trimmed().isEmpty())
        throw PriceListError(QStringLiteral("El archivo %1 está vacío.").arg(fileName));
    return *text;
}

using csv::blank;
using csv::cell;
using csv::columnName;
using csv::separatorOf;
using csv::splitFields;

QString notAPriceList(const QString& fileName) {
    return QStringLiteral("El archivo %1 no es una lista de precios: su primera línea debe nombrar "
                          "las columnas codigo y costo (y, si se quiere, materia_seca), separadas "
                          "por punto y coma o por comas.")
        .arg(fileName);
}

struct Columns {
    int codigo = -1;
    int costo = -1;
    int materiaSeca = -1;
    int count = 0;
};

Columns columnsOf(const QStringList& header, const QString& fileName) {
    Columns c;
    c.count = int(header.size());
    QHash<QString, int> seen;
    for (int i = 0; i < header.size(); ++i) {
        const QString name = columnName(header[i]);
        if (name.isEmpty())
            continue;
        if (seen.contains(name))
            throw PriceListError(QStringLiteral("El archivo %1 nombra dos veces la columna %2.")
                                     .arg(fileName, name));
        seen.insert(name, i);
    }
    c.codigo = seen.value(QStringLiteral("codigo"), -1);
    c.costo = seen.value(QStringLiteral("costo"), -1);
    c.materiaSeca = seen.value(QStringLiteral("materia_seca"), -1);
    if (c.codigo < 0 || c.costo < 0)
        throw PriceListError(notAPriceList(fileName));
    return c;
}

// The line's values, or the first reason it cannot be used.
PriceListLine readLine(int number, const std::optional<QStringList>& fields, const Columns& c,
                       QChar decimalMark) {
    PriceListLine line;
    line.line = number;
    if (!fields) {
        line.problem = QStringLiteral("comillas sin cerrar");
        return line;
    }
    line.codigo = cell(*fields, c.codigo);
    const QString costo = cell(*fields, c.costo);
    const QString materiaSeca = cell(*fields, c.materiaSeca);
    if (fields->size() > c.count)
        line.problem = QStringLiteral("tiene más campos que la primera línea (¿un número con coma "
                                      "decimal sin comillas?)");
    else if (line.codigo.isEmpty())
        line.problem = QStringLiteral("falta el código");
    else if (costo.isEmpty())
        line.problem = QStringLiteral("falta el costo");
    else if (!(line.costo = priceNumber(costo, decimalMark)))
        line.problem = QStringLiteral("el costo «%1» no es un número").arg(costo);
    else if (*line.costo < 0)
        line.problem = QStringLiteral("el costo %1 es negativo").arg(costo);
    else if (!materiaSeca.isEmpty() && !(line.materiaSeca = priceNumber(materiaSeca, decimalMark)))
        line.problem = QStringLiteral("la materia seca «%1» no es un número").arg(materiaSeca);
    else if (line.materiaSeca && (*line.materiaSeca <= 0 || *line.materiaSeca > 100))
        line.problem =
            QStringLiteral("la materia seca %1 no está entre 0 (excluido) y 100").arg(materiaSeca);
    return line;
}

} // namespace

QChar decimalMarkOf(app::RegionalSettings& settings) {
    const auto mark = settings.read(app::LocaleItem::DecimalSeparator);
    return mark && mark->trimmed() == QStringLiteral(",") ? u',' : u'.';
}

std::optional<double> priceNumber(const QString& text, QChar decimalMark) {
    QString t = text.trimmed();
    if (decimalMark == u',') {
        if (t.contains(u'.'))
            return std::nullopt; // a thousands separator, or the other mark: not to be guessed
        t.replace(u',', u'.');
    }
    return numtext::toNumber(t);
}

PriceListFile readPriceList(const QByteArray& content, const QString& fileName, QChar decimalMark) {
    const QString text = decode(content, fileName);
    if (csv::lineCount(text) > kMostLines)
        throw PriceListError(QStringLiteral("El archivo %1 tiene más de %2 líneas: es demasiado "
                                            "largo para una lista de precios.")
                                 .arg(fileName)
                                 .arg(kMostLines));
    csv::Lines lines(text);
    int number = 0;
    const auto nextLine = [&]() -> std::optional<QStringView> {
        const std::optional<QStringView> line = lines.next();
        number = lines.number();
        return line;
    };

    std::optional<QStringView> headerLine = nextLine();
    while (headerLine->trimmed().isEmpty())
        headerLine = nextLine(); // the text is not blank, so a line that is not comes
    const std::optional<QChar> separator = separatorOf(*headerLine);
    if (!separator)
        throw PriceListError(notAPriceList(fileName));
    const std::optional<QStringList> header = splitFields(*headerLine, *separator);
    if (!header)
        throw PriceListError(notAPriceList(fileName));
    const Columns columns = columnsOf(*header, fileName);

    PriceListFile file;
    file.separator = *separator;
    file.decimalMark = decimalMark;
    file.hasMateriaSeca = columns.materiaSeca >= 0;
    file.lines.reserve(size_t(csv::lineCount(text))); // no regrowing
    while (const std::optional<QStringView> line = nextLine()) {
        const std::optional<QStringList> fields = splitFields(*line, *separator);
        if (fields && blank(*fields))
            continue;
        file.lines.push_back(readLine(number, fields, columns, decimalMark));
    }
    return file;
}

PriceListFile readPriceListFile(const QString& fileName, QChar decimalMark) {
    const QFileInfo info(fileName);
    if (!info.exists())
        throw PriceListError(QStringLiteral("No existe el archivo %1.").arg(fileName));
    if (!info.isFile())
        throw PriceListError(notText(fileName));
    if (info.size() > kLargestFile)
        throw PriceListError(
            QStringLiteral("El archivo %1 es demasiado grande para una lista de precios (%2 MB).")
                .arg(fileName)
                .arg(info.size() / (1024 * 1024)));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw PriceListError(
            QStringLiteral("No se pudo leer el archivo %1: %2.").arg(fileName, file.errorString()));
    return readPriceList(file.readAll(), fileName, decimalMark);
}

} // namespace catalog
