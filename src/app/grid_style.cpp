#include "app/grid_style.h"

#include "app/date_text.h"
#include "app/format.h"
#include "app/number_text.h"
#include "store/record_set.h"

#include <QGuiApplication>
#include <QPalette>
#include <cmath>

namespace grid {

namespace {

// The system colours a view may name, by their index, with the look they have without a
// window system (so core output never depends on whether one is running).
struct SystemColour {
    int index;
    QPalette::ColorRole role;
    long fallback;
};
constexpr SystemColour kSystemColours[] = {
    {5, QPalette::Base, rgbLong(255, 255, 255)},     // window background
    {8, QPalette::Text, rgbLong(0, 0, 0)},           // window text
    {13, QPalette::Highlight, rgbLong(0, 120, 215)}, // selection
    {14, QPalette::HighlightedText, rgbLong(255, 255, 255)},
    {15, QPalette::Button, rgbLong(240, 240, 240)}, // button face
    {18, QPalette::ButtonText, rgbLong(0, 0, 0)},
};

QColor fromRgbLong(long value) {
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

bool isZeroText(const QString& text) {
    bool digit = false;
    for (QChar c : text) {
        if (c.isDigit()) {
            if (c != '0')
                return false;
            digit = true;
        }
    }
    return digit;
}

} // namespace

QColor colorFromLong(long value) {
    if (value >= 0)
        return value <= 0xffffff ? fromRgbLong(value) : QColor();
    const int index = int(value & 0xff);
    for (const SystemColour& s : kSystemColours) {
        if (s.index != index)
            continue;
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return QGuiApplication::palette().color(s.role);
        return fromRgbLong(s.fallback);
    }
    return QColor();
}

long longFromColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return rgbLong(rgb.red(), rgb.green(), rgb.blue());
}

int twipsToPixels(int twips, double dpi) {
    return int(std::lround(double(twips) * dpi / kTwipsPerInch));
}

int pixelsToTwips(int pixels, double dpi) {
    return int(std::lround(double(pixels) * kTwipsPerInch / dpi));
}

int remainingWidthTwips(int gridWidthTwips, int otherColumnsTwips, bool scrollBar) {
    const int width =
        gridWidthTwips - kRemainderMargin - otherColumnsTwips - (scrollBar ? kScrollBarRoom : 0);
    return width < 0 ? 0 : width;
}

QString cellText(const QVariant& value, const Column& column) {
    if (!value.isValid() || value.isNull())
        return QString();
    if (column.format.compare(QStringLiteral("dd/mm/yyyy"), Qt::CaseInsensitive) == 0)
        return datetext::formatDate(value);

    QString text;
    if (column.format.isEmpty() && column.scale == 1.0) {
        const int type = value.typeId();
        text = type == QMetaType::Double || type == QMetaType::Float ? fmt::format(value, QString())
                                                                     : value.toString();
    } else {
        std::optional<double> number;
        if (value.typeId() == QMetaType::QString) {
            number = numtext::toNumber(value.toString());
        } else {
            bool ok = false;
            const double d = value.toDouble(&ok);
            if (ok)
                number = d;
        }
        // A text that is not a number is shown as it is, like an empty optional limit.
        text = number ? fmt::format(*number * column.scale, column.format) : value.toString();
    }
    if (column.blankZero && isZeroText(text))
        return QString();
    return text;
}

CellStyle headerCell(const Column& column) {
    CellStyle style;
    style.text = column.caption;
    style.alignment = column.alignment;
    style.background = kGrey;
    style.foreground = kWhite;
    return style;
}

CellStyle bodyCell(const QVariant& value, const Column& column) {
    CellStyle style;
    style.text = cellText(value, column);
    style.alignment = column.alignment;
    return style;
}

int GridContent::fieldColumn(const QString& field) const {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void GridContent::setColumnBackground(int column, long background) {
    for (auto& row : rows)
        row.at(size_t(column)).background = background;
}

GridContent gridContent(const store::RecordSet& records, const std::vector<Column>& columns) {
    GridContent content;
    const int fieldCount = records.fieldCount();
    for (int f = 0; f < fieldCount; ++f) {
        content.fields.push_back(records.field(f).name);
        Column column;
        if (size_t(f) < columns.size())
            column = columns[size_t(f)];
        else
            column.caption = records.field(f).name;
        content.columns.push_back(column);
        content.header.push_back(headerCell(column));
    }
    content.rows.reserve(size_t(records.count()));
    for (int r = 0; r < records.count(); ++r) {
        std::vector<CellStyle> row;
        row.reserve(size_t(fieldCount));
        for (int f = 0; f < fieldCount; ++f)
            row.push_back(bodyCell(records.valueAt(r, f), content.columns[size_t(f)]));
        content.rows.push_back(std::move(row));
    }
    return content;
}

GridContent gridContent(const std::vector<QString>& fields,
                        const std::vector<std::vector<QVariant>>& rows,
                        const std::vector<Column>& columns) {
    GridContent content;
    content.fields = fields;
    content.columns = columns;
    content.columns.resize(fields.size());
    for (const Column& column : content.columns)
        content.header.push_back(headerCell(column));
    content.rows.reserve(rows.size());
    for (const std::vector<QVariant>& values : rows) {
        std::vector<CellStyle> row;
        row.reserve(fields.size());
        for (size_t f = 0; f < fields.size(); ++f)
            row.push_back(bodyCell(f < values.size() ? values[f] : QVariant(), content.columns[f]));
        content.rows.push_back(std::move(row));
    }
    return content;
}

} // namespace grid
