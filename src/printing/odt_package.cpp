#include "printing/odt_package.h"

#include <QXmlStreamWriter>
#include <cstdlib>
#include <cstring>
#include <zip.h>

namespace printing {

namespace {

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kFo = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
const QString kManifest = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
const QString kMeta = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:meta:1.0");

QString pt(double value) {
    return QString::number(value, 'f', 2) + QStringLiteral("pt");
}

void declareNamespaces(QXmlStreamWriter& xml) {
    xml.writeNamespace(kOffice, QStringLiteral("office"));
    xml.writeNamespace(kStyle, QStringLiteral("style"));
    xml.writeNamespace(kText, QStringLiteral("text"));
    xml.writeNamespace(kTable, QStringLiteral("table"));
    xml.writeNamespace(kFo, QStringLiteral("fo"));
    xml.writeNamespace(kSvg, QStringLiteral("svg"));
}

void writeFontFaces(QXmlStreamWriter& xml, const OdtDocument& doc) {
    xml.writeStartElement(kOffice, QStringLiteral("font-face-decls"));
    xml.writeStartElement(kStyle, QStringLiteral("font-face"));
    xml.writeAttribute(kStyle, QStringLiteral("name"), doc.fontName);
    xml.writeAttribute(kSvg, QStringLiteral("font-family"), doc.fontName);
    xml.writeAttribute(kStyle, QStringLiteral("font-family-generic"), QStringLiteral("swiss"));
    xml.writeEndElement();
    xml.writeEndElement();
}

void writeStyle(QXmlStreamWriter& xml, const QString& name, const QString& family) {
    xml.writeStartElement(kStyle, QStringLiteral("style"));
    xml.writeAttribute(kStyle, QStringLiteral("name"), name);
    xml.writeAttribute(kStyle, QStringLiteral("family"), family);
}

QString tableName(int index) {
    return QStringLiteral("Tabla%1").arg(index);
}

QString columnStyleName(int table, int column) {
    return tableName(table) + u'.' + QChar(u'A' + column);
}

// Where a cell stands decides which of its sides carry a line: each line between two cells is
// drawn once, by the cell left of or above it, as word processors keep single-line grids.
struct CellPlace {
    bool borders = true;
    bool shaded = false;
    bool firstRow = false;
    bool lastColumn = false;
};

QString cellStyleName(const CellPlace& place) {
    if (!place.borders)
        return place.shaded ? QStringLiteral("CeldaSinBordeSombreada")
                            : QStringLiteral("CeldaSinBorde");
    return QStringLiteral("Celda%1%2%3")
        .arg(place.shaded ? QStringLiteral("Sombreada") : QString())
        .arg(place.firstRow ? QStringLiteral("Arriba") : QString())
        .arg(place.lastColumn ? QStringLiteral("Derecha") : QString());
}

const QString kLine = QStringLiteral("0.5pt solid #000000");
const QString kNoLine = QStringLiteral("none");

QString paragraphStyleName(bool bold, bool right) {
    if (bold && right)
        return QStringLiteral("DerechaNegrita");
    if (bold)
        return QStringLiteral("Negrita");
    if (right)
        return QStringLiteral("Derecha");
    return QStringLiteral("Standard");
}

void writeAutomaticStyles(QXmlStreamWriter& xml, const OdtDocument& doc) {
    xml.writeStartElement(kOffice, QStringLiteral("automatic-styles"));
    int index = 0;
    for (const OdtBlock& block : doc.blocks) {
        if (!block.table)
            continue;
        ++index;
        double total = 0;
        for (double w : block.table->columnWidthsPt)
            total += w;
        writeStyle(xml, tableName(index), QStringLiteral("table"));
        xml.writeStartElement(kStyle, QStringLiteral("table-properties"));
        xml.writeAttribute(kStyle, QStringLiteral("width"), pt(total));
        xml.writeAttribute(kTable, QStringLiteral("align"), QStringLiteral("left"));
        xml.writeEndElement();
        xml.writeEndElement();
        for (int c = 0; c < block.table->columnWidthsPt.size(); ++c) {
            writeStyle(xml, columnStyleName(index, c), QStringLiteral("table-column"));
            xml.writeStartElement(kStyle, QStringLiteral("table-column-properties"));
            xml.writeAttribute(kStyle, QStringLiteral("column-width"),
                               pt(block.table->columnWidthsPt.at(c)));
            xml.writeEndElement();
            xml.writeEndElement();
        }
    }
    for (int variant = 0; variant < 16; ++variant) {
        const CellPlace place{(variant & 1) != 0, (variant & 2) != 0, (variant & 4) != 0,
                              (variant & 8) != 0};
        if (!place.borders && (place.firstRow || place.lastColumn))
            continue;
        writeStyle(xml, cellStyleName(place), QStringLiteral("table-cell"));
        xml.writeStartElement(kStyle, QStringLiteral("table-cell-properties"));
        xml.writeAttribute(kFo, QStringLiteral("padding"), QStringLiteral("1.5pt"));
        if (place.borders) {
            xml.writeAttribute(kFo, QStringLiteral("border-left"), kLine);
            xml.writeAttribute(kFo, QStringLiteral("border-right"),
                               place.lastColumn ? kLine : kNoLine);
            xml.writeAttribute(kFo, QStringLiteral("border-top"), place.firstRow ? kLine : kNoLine);
            xml.writeAttribute(kFo, QStringLiteral("border-bottom"), kLine);
        } else {
            xml.writeAttribute(kFo, QStringLiteral("border"), kNoLine);
        }
        if (place.shaded)
            xml.writeAttribute(kFo, QStringLiteral("background-color"), shadeColor());
        xml.writeEndElement();
        xml.writeEndElement();
    }
    for (bool bold : {true, false}) {
        for (bool right : {true, false}) {
            if (!bold && !right)
                continue;
            writeStyle(xml, paragraphStyleName(bold, right), QStringLiteral("paragraph"));
            xml.writeAttribute(kStyle, QStringLiteral("parent-style-name"),
                               QStringLiteral("Standard"));
            if (right) {
                xml.writeStartElement(kStyle, QStringLiteral("paragraph-properties"));
                xml.writeAttribute(kFo, QStringLiteral("text-align"), QStringLiteral("end"));
                xml.writeEndElement();
            }
            if (bold) {
                xml.writeStartElement(kStyle, QStringLiteral("text-properties"));
                xml.writeAttribute(kFo, QStringLiteral("font-weight"), QStringLiteral("bold"));
                xml.writeAttribute(kStyle, QStringLiteral("font-weight-complex"),
                                   QStringLiteral("bold"));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
    }
    xml.writeEndElement();
}

void writeParagraph(QXmlStreamWriter& xml, const QString& style, const QString& text) {
    xml.writeStartElement(kText, QStringLiteral("p"));
    xml.writeAttribute(kText, QStringLiteral("style-name"), style);
    if (!text.isEmpty())
        xml.writeCharacters(text);
    xml.writeEndElement();
}

void writeTable(QXmlStreamWriter& xml, const OdtTable& table, int index) {
    xml.writeStartElement(kTable, QStringLiteral("table"));
    xml.writeAttribute(kTable, QStringLiteral("name"), tableName(index));
    xml.writeAttribute(kTable, QStringLiteral("style-name"), tableName(index));
    for (int c = 0; c < table.columnWidthsPt.size(); ++c) {
        xml.writeStartElement(kTable, QStringLiteral("table-column"));
        xml.writeAttribute(kTable, QStringLiteral("style-name"), columnStyleName(index, c));
        xml.writeEndElement();
    }
    for (int r = 0; r < table.rows.size(); ++r) {
        const QList<OdtCell>& row = table.rows.at(r);
        xml.writeStartElement(kTable, QStringLiteral("table-row"));
        for (int c = 0; c < row.size(); ++c) {
            const OdtCell& cell = row.at(c);
            const CellPlace place{table.borders, table.shadeFirstRow && r == 0, r == 0,
                                  c == row.size() - 1};
            xml.writeStartElement(kTable, QStringLiteral("table-cell"));
            xml.writeAttribute(kTable, QStringLiteral("style-name"), cellStyleName(place));
            xml.writeAttribute(kOffice, QStringLiteral("value-type"), QStringLiteral("string"));
            const QString style = paragraphStyleName(cell.bold, cell.right);
            if (cell.paragraphs.isEmpty())
                writeParagraph(xml, style, {});
            for (const QString& p : cell.paragraphs)
                writeParagraph(xml, style, p);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

// libzip's own sources own a copy of the bytes, so the arrays may go as soon as they are added.
bool addFile(zip_t* archive, const char* name, const QByteArray& bytes, bool stored,
             QString* error) {
    void* copy = malloc(size_t(bytes.size()));
    if (!copy) {
        if (error)
            *error = QStringLiteral("sin memoria");
        return false;
    }
    memcpy(copy, bytes.constData(), size_t(bytes.size()));
    zip_source_t* source = zip_source_buffer(archive, copy, zip_uint64_t(bytes.size()), 1);
    if (!source) {
        free(copy);
        if (error)
            *error = QString::fromUtf8(zip_strerror(archive));
        return false;
    }
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        if (error)
            *error = QString::fromUtf8(zip_strerror(archive));
        return false;
    }
    const zip_int32_t method = stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    if (zip_set_file_compression(archive, zip_uint64_t(index), method, 0) < 0) {
        if (error)
            *error = QString::fromUtf8(zip_strerror(archive));
        return false;
    }
    return true;
}

QByteArray readWholeSource(zip_source_t* source) {
    QByteArray bytes;
    if (zip_source_open(source) < 0)
        return bytes;
    zip_source_seek(source, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(source);
    zip_source_seek(source, 0, SEEK_SET);
    if (size > 0) {
        bytes.resize(qsizetype(size));
        if (zip_source_read(source, bytes.data(), zip_uint64_t(size)) != size)
            bytes.clear();
    }
    zip_source_close(source);
    return bytes;
}

} // namespace

QString shadeColor() {
    // A colour number is blue, green, red from the high byte down; this grey reads the same
    // either way.
    const unsigned red = kShadeColorNumber & 0xFF, green = (kShadeColorNumber >> 8) & 0xFF,
                   blue = (kShadeColorNumber >> 16) & 0xFF;
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QChar(u'0'))
        .arg(green, 2, 16, QChar(u'0'))
        .arg(blue, 2, 16, QChar(u'0'));
}

QByteArray odtContentXml(const OdtDocument& document) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeStartElement(kOffice, QStringLiteral("document-content"));
    declareNamespaces(xml);
    xml.writeAttribute(kOffice, QStringLiteral("version"), QStringLiteral("1.2"));
    writeFontFaces(xml, document);
    writeAutomaticStyles(xml, document);
    xml.writeStartElement(kOffice, QStringLiteral("body"));
    xml.writeStartElement(kOffice, QStringLiteral("text"));
    int index = 0;
    for (const OdtBlock& block : document.blocks) {
        if (block.table)
            writeTable(xml, *block.table, ++index);
        else
            for (int i = 0; i < block.emptyParagraphs; ++i)
                writeParagraph(xml, QStringLiteral("Standard"), {});
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray odtStylesXml(const OdtDocument& document) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeStartElement(kOffice, QStringLiteral("document-styles"));
    declareNamespaces(xml);
    xml.writeAttribute(kOffice, QStringLiteral("version"), QStringLiteral("1.2"));
    writeFontFaces(xml, document);

    xml.writeStartElement(kOffice, QStringLiteral("styles"));
    xml.writeStartElement(kStyle, QStringLiteral("default-style"));
    xml.writeAttribute(kStyle, QStringLiteral("family"), QStringLiteral("paragraph"));
    xml.writeStartElement(kStyle, QStringLiteral("text-properties"));
    xml.writeAttribute(kStyle, QStringLiteral("font-name"), document.fontName);
    xml.writeAttribute(kFo, QStringLiteral("font-size"), pt(document.fontSizePt));
    xml.writeEndElement();
    xml.writeEndElement();
    writeStyle(xml, QStringLiteral("Standard"), QStringLiteral("paragraph"));
    xml.writeStartElement(kStyle, QStringLiteral("text-properties"));
    xml.writeAttribute(kStyle, QStringLiteral("font-name"), document.fontName);
    xml.writeAttribute(kFo, QStringLiteral("font-size"), pt(document.fontSizePt));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeStartElement(kOffice, QStringLiteral("automatic-styles"));
    xml.writeStartElement(kStyle, QStringLiteral("page-layout"));
    xml.writeAttribute(kStyle, QStringLiteral("name"), QStringLiteral("Pagina"));
    xml.writeStartElement(kStyle, QStringLiteral("page-layout-properties"));
    xml.writeAttribute(kFo, QStringLiteral("page-width"), QStringLiteral("210mm"));
    xml.writeAttribute(kFo, QStringLiteral("page-height"), QStringLiteral("297mm"));
    xml.writeAttribute(kStyle, QStringLiteral("print-orientation"), QStringLiteral("portrait"));
    for (const char* side : {"margin-top", "margin-bottom", "margin-left", "margin-right"})
        xml.writeAttribute(kFo, QString::fromLatin1(side), QStringLiteral("20mm"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeStartElement(kOffice, QStringLiteral("master-styles"));
    xml.writeStartElement(kStyle, QStringLiteral("master-page"));
    xml.writeAttribute(kStyle, QStringLiteral("name"), QStringLiteral("Standard"));
    xml.writeAttribute(kStyle, QStringLiteral("page-layout-name"), QStringLiteral("Pagina"));
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray odtManifestXml() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(kManifest, QStringLiteral("manifest"));
    xml.writeStartElement(kManifest, QStringLiteral("manifest"));
    xml.writeAttribute(kManifest, QStringLiteral("version"), QStringLiteral("1.2"));
    const std::pair<const char*, const char*> entries[] = {
        {"/", "application/vnd.oasis.opendocument.text"},
        {"content.xml", "text/xml"},
        {"styles.xml", "text/xml"},
        {"meta.xml", "text/xml"}};
    for (const auto& [path, type] : entries) {
        xml.writeStartElement(kManifest, QStringLiteral("file-entry"));
        xml.writeAttribute(kManifest, QStringLiteral("full-path"), QString::fromLatin1(path));
        if (QByteArray(path) == "/")
            xml.writeAttribute(kManifest, QStringLiteral("version"), QStringLiteral("1.2"));
        xml.writeAttribute(kManifest, QStringLiteral("media-type"), QString::fromLatin1(type));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray odtMetaXml() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeStartElement(kOffice, QStringLiteral("document-meta"));
    xml.writeNamespace(kOffice, QStringLiteral("office"));
    xml.writeNamespace(kMeta, QStringLiteral("meta"));
    xml.writeAttribute(kOffice, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeStartElement(kOffice, QStringLiteral("meta"));
    xml.writeTextElement(kMeta, QStringLiteral("generator"), QStringLiteral("Dosivant"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray odtPackage(const OdtDocument& document, QString* error) {
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &zipError);
    if (!memory) {
        if (error)
            *error = QString::fromUtf8(zip_error_strerror(&zipError));
        zip_error_fini(&zipError);
        return {};
    }
    // Kept past zip_close, which writes the finished archive into it.
    zip_source_keep(memory);
    zip_t* archive = zip_open_from_source(memory, ZIP_TRUNCATE, &zipError);
    if (!archive) {
        if (error)
            *error = QString::fromUtf8(zip_error_strerror(&zipError));
        zip_error_fini(&zipError);
        zip_source_free(memory);
        return {};
    }
    zip_error_fini(&zipError);
    const bool added = addFile(archive, "mimetype", kOdtMimeType, true, error) &&
                       addFile(archive, "content.xml", odtContentXml(document), false, error) &&
                       addFile(archive, "styles.xml", odtStylesXml(document), false, error) &&
                       addFile(archive, "meta.xml", odtMetaXml(), false, error) &&
                       addFile(archive, "META-INF/manifest.xml", odtManifestXml(), false, error);
    if (!added) {
        zip_discard(archive);
        zip_source_free(memory);
        return {};
    }
    if (zip_close(archive) < 0) {
        if (error)
            *error = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        zip_source_free(memory);
        return {};
    }
    QByteArray bytes = readWholeSource(memory);
    zip_source_free(memory);
    if (bytes.isEmpty() && error)
        *error = QStringLiteral("el paquete quedó vacío");
    return bytes;
}

} // namespace printing
