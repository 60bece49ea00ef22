#pragma once

#include "app/grid_style.h"

#include <QJsonValue>
#include <QString>
#include <optional>
#include <vector>

class QJsonObject;

namespace cli {

// How every command writes its results, so a script that reads one command reads them all.
//
// JSON: keys in Spanish as the program names things; numbers as Qt writes a double (the
// shortest text that reads back as the same double); a value that is not there, or is no
// finite number, is null. A command that answers with one result writes it on one line
// (formulate, ranging; reformulate one line per formula); the plan, a document of many
// formulas, is written indented.
QJsonValue jsonNumber(double value);
QJsonValue jsonNumber(const std::optional<double>& value);
// A search for a mix the mill can weigh: its nodes, its gap and whether it proved its mix
// ("nodos", "brecha", "probado"), as every command that formulates writes it.
QJsonObject jsonSearch(long nodos, double brecha, bool probado);
// The object compact, on one line ending with a line break.
QString jsonLine(const QJsonObject& object);
// The object indented by four spaces, ending with a line break.
QString jsonDocument(const QJsonObject& object);

// Tables: a number in a pattern of app/format.h ("0.00", "0.00####": the window's formats);
// a value that is not there shows as `none` ("-" where a limit may be unset, blank where a
// figure is missing).
QString tableNumber(double value, const QString& pattern);
QString tableNumber(const std::optional<double>& value, const QString& pattern,
                    const QString& none);

// A grid's header and the rows `shown` marks as columns of text, each as wide as its widest
// cell, aligned as the grid aligns them; each line ends with a line break.
QString gridText(const grid::GridContent& content, const std::vector<bool>& shown);

} // namespace cli
