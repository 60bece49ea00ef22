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

QString notText(const QString& fileName, const QString& kind) {
    return QStringLiteral("El archivo %1 no es un archivo de texto: una %2 es un archivo CSV "
                          "(guarde la planilla como «CSV»).")
        .arg(fileName, kind);
}

QString decode(const QByteArray& content, const QString& fileName, const QString& kind) {
    const std::optional<QString> text = csv::decode(content);
    if (!text)
        throw ListFileError(notText(fileName, kind));
    if (text->trimmed().isEmpty())
        throw ListFileError(QStringLiteral("El archivo %1 está vacío.").arg(fileName));
    return *text;
}

ListHeader headerOf(QChar separator, const QStringList& captions, const QString& fileName,
                    const ListFormat& format) {
    ListHeader h;
    h.separator = separator;
    h.count = int(captions.size());
    for (int i = 0; i < captions.size(); ++i) {
        const QString name = csv::columnName(captions[i]);
        if (name.isEmpty())
            continue;
        if (h.columns.contains(name))
            throw ListFileError(QStringLiteral("El archivo %1 nombra dos veces la columna %2.")
                                    .arg(fileName, name));
        h.columns.insert(name, i);
    }
    for (const QString& needed : format.needed)
        if (!h.columns.contains(needed))
            throw ListFileError(format.notAList.arg(fileName));
    return h;
}

// The line's values, or the first reason it cannot be used.
PriceListLine readLine(int number, const std::optional<QStringList>& fields,
                       const ListHeader& header, QChar decimalMark) {
    PriceListLine line;
    line.line = number;
    if (!fields) {
        line.problem = QStringLiteral("comillas sin cerrar");
        return line;
    }
    line.codigo = listCell(*fields, header.column(QStringLiteral("codigo")));
    const QString costo = listCell(*fields, header.column(QStringLiteral("costo")));
    const QString materiaSeca = listCell(*fields, header.column(QStringLiteral("materia_seca")));
    if (line.problem = extraFieldsProblem(*fields, header); !line.problem.isEmpty())
        return line;
    if (line.codigo.isEmpty())
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

ListHeader readListFile(const QByteArray& content, const QString& fileName,
                        const ListFormat& format, const ListLineReader& line) {
    const QString text = decode(content, fileName, format.kind);
    if (csv::lineCount(text) > kMostLines)
        throw ListFileError(QStringLiteral("El archivo %1 tiene más de %2 líneas: es demasiado "
                                           "largo para una %3.")
                                .arg(fileName)
                                .arg(kMostLines)
                                .arg(format.kind));
    csv::Lines lines(text);
    const auto nextLine = [&] { return lines.next(); };
    std::optional<QStringView> headerLine = nextLine();
    while (headerLine->trimmed().isEmpty())
        headerLine = nextLine(); // the text is not blank, so a line that is not comes
    const std::optional<QChar> separator = csv::separatorOf(*headerLine);
    if (!separator)
        throw ListFileError(format.notAList.arg(fileName));
    const std::optional<QStringList> captions = csv::splitFields(*headerLine, *separator);
    if (!captions)
        throw ListFileError(format.notAList.arg(fileName));
    const ListHeader header = headerOf(*separator, *captions, fileName, format);
    while (const std::optional<QStringView> view = nextLine()) {
        const std::optional<QStringList> fields = csv::splitFields(*view, *separator);
        if (fields && csv::blank(*fields))
            continue;
        line(header, lines.number(), fields);
    }
    return header;
}

ListHeader readListFile(const QString& fileName, const ListFormat& format,
                        const ListLineReader& line) {
    const QFileInfo info(fileName);
    if (!info.exists())
        throw ListFileError(QStringLiteral("No existe el archivo %1.").arg(fileName));
    if (!info.isFile())
        throw ListFileError(notText(fileName, format.kind));
    if (info.size() > kLargestFile)
        throw ListFileError(QStringLiteral("El archivo %1 es demasiado grande para una %2 (%3 MB).")
                                .arg(fileName, format.kind)
                                .arg(info.size() / (1024 * 1024)));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ListFileError(
            QStringLiteral("No se pudo leer el archivo %1: %2.").arg(fileName, file.errorString()));
    return readListFile(file.readAll(), fileName, format, line);
}

QString listCell(const QStringList& fields, int column) {
    return csv::cell(fields, column);
}

QString extraFieldsProblem(const QStringList& fields, const ListHeader& header) {
    if (fields.size() > header.count)
        return QStringLiteral("tiene más campos que la primera línea (¿un número con coma "
                              "decimal sin comillas?)");
    return {};
}

namespace {

const ListFormat& priceListFormat() {
    static const ListFormat format{
        QStringLiteral("lista de precios"),
        QStringLiteral("El archivo %1 no es una lista de precios: su primera línea debe nombrar "
                       "las columnas codigo y costo (y, si se quiere, materia_seca), separadas "
                       "por punto y coma o por comas."),
        {QStringLiteral("codigo"), QStringLiteral("costo")}};
    return format;
}

PriceListFile priceListOf(const ListHeader& header, std::vector<PriceListLine> lines,
                          QChar decimalMark) {
    PriceListFile file;
    file.separator = header.separator;
    file.decimalMark = decimalMark;
    file.hasMateriaSeca = header.column(QStringLiteral("materia_seca")) >= 0;
    file.lines = std::move(lines);
    return file;
}

} // namespace

PriceListFile readPriceList(const QByteArray& content, const QString& fileName, QChar decimalMark) {
    std::vector<PriceListLine> lines;
    const ListHeader header = readListFile(
        content, fileName, priceListFormat(),
        [&](const ListHeader& h, int number, const std::optional<QStringList>& fields) {
            lines.push_back(readLine(number, fields, h, decimalMark));
        });
    return priceListOf(header, std::move(lines), decimalMark);
}

PriceListFile readPriceListFile(const QString& fileName, QChar decimalMark) {
    std::vector<PriceListLine> lines;
    const ListHeader header = readListFile(
        fileName, priceListFormat(),
        [&](const ListHeader& h, int number, const std::optional<QStringList>& fields) {
            lines.push_back(readLine(number, fields, h, decimalMark));
        });
    return priceListOf(header, std::move(lines), decimalMark);
}

} // namespace catalog
