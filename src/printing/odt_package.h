#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace printing {

// A word-processor document made of tables and empty paragraphs: just what the formula document
// needs, written as an OpenDocument Text package that LibreOffice and Word open.

struct OdtCell {
    QStringList paragraphs; // one paragraph per entry; an empty entry is an empty line
    bool bold = false;
    bool right = false;
};

struct OdtTable {
    QList<double> columnWidthsPt;
    bool borders = true;        // thin single lines all round and between cells
    bool shadeFirstRow = false; // background kShadeColor in the first row
    QList<QList<OdtCell>> rows; // each row has one cell per column
};

// A light grey, 14737632 as a word processor's colour number (0xE0E0E0).
inline constexpr unsigned kShadeColorNumber = 14737632;
QString shadeColor(); // "#e0e0e0"

struct OdtBlock {
    std::optional<OdtTable> table;
    int emptyParagraphs = 0; // when there is no table
};

struct OdtDocument {
    QString fontName = QStringLiteral("Arial");
    double fontSizePt = 9;
    QList<OdtBlock> blocks;
};

// The XML parts of the package.
QByteArray odtContentXml(const OdtDocument& document);
QByteArray odtStylesXml(const OdtDocument& document);
QByteArray odtManifestXml();
QByteArray odtMetaXml();
inline const QByteArray kOdtMimeType = "application/vnd.oasis.opendocument.text";

// The zip package: "mimetype" first and stored uncompressed, then the parts, then the manifest
// that lists them. Empty with `error` set when the zip library fails.
QByteArray odtPackage(const OdtDocument& document, QString* error = nullptr);

} // namespace printing
