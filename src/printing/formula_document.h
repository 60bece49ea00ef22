#pragma once

#include "printing/odt_package.h"

#include <QDate>

class QIODevice;

namespace workspace {
struct Workspace;
}

namespace printing {

struct PrintoutTexts;

// The formula under work as a word-processor document: a title table, the header data, the
// nutrient table and the ingredient table (the same rows and numbers as the printed page).
OdtDocument imprimeWord(const workspace::Workspace& ws, const PrintoutTexts& texts,
                        const QDate& today);

// Writes the document's package; false with `error` (Spanish) when it cannot be made or written.
bool writeFormulaDocument(QIODevice& out, const workspace::Workspace& ws,
                          const PrintoutTexts& texts, const QDate& today, QString* error);

// The same into a file, replaced only once the whole package is written.
bool writeFormulaDocument(const QString& path, const workspace::Workspace& ws,
                          const PrintoutTexts& texts, const QDate& today, QString* error);

} // namespace printing
