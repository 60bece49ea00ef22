#pragma once

#include <QColor>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace store {
class RecordSet;
}

// What a grid cell shows — text, alignment, colours, bold — decided without a window, so every
// grid rule is tested in core and a view only paints it.
namespace grid {

// Colours as classic long integers: red + 256 × green + 65536 × blue. Negative values name a
// system colour (0x80000000 + index), such as the button face.
inline constexpr long kGrey = 8421504;   // header and separator cells, R G B 128
inline constexpr long kWhite = 16777215; // header text
inline constexpr long kBlack = 0;
inline constexpr long kDimmed = 14737632; // rows outside the mix, totals row
inline constexpr long kGreen = 49152;     // changed in the catalogue
inline constexpr long kRed = 255;         // alarm, with white text
inline constexpr long kButtonFace = -2147483633;
inline constexpr long kWindowBackground = -2147483643;
inline constexpr long kWindowText = -2147483640;

constexpr long rgbLong(int red, int green, int blue) {
    return long(red) + 256L * green + 65536L * blue;
}
QColor colorFromLong(long value);
long longFromColor(const QColor& color);

// Grid sizes are given in twips: 1440 to the inch, so 15 to the pixel at 96 dots per inch.
inline constexpr int kTwipsPerInch = 1440;
int twipsToPixels(int twips, double dpi = 96.0);
int pixelsToTwips(int pixels, double dpi = 96.0);

// The width of the one column that takes what the others leave: the grid's width less 70, less
// the other widths, less 240 more when a vertical scroll bar needs the room; never below 0.
inline constexpr int kRemainderMargin = 70;
inline constexpr int kScrollBarRoom = 240;
int remainingWidthTwips(int gridWidthTwips, int otherColumnsTwips, bool scrollBar);

inline const Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
inline const Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

struct CellStyle {
    QString text;
    Qt::Alignment alignment = kLeft;
    std::optional<long> background; // none: the grid's own
    std::optional<long> foreground;
    bool bold = false;
    QString toolTip; // what a colour mark means, shown when the pointer rests on the cell

    bool operator==(const CellStyle&) const = default;
};

// One grid column bound to one record-set field.
struct Column {
    Column(QString caption = {}, int widthTwips = 1000, Qt::Alignment alignment = kLeft,
           QString format = {})
        : caption(std::move(caption)), widthTwips(widthTwips), alignment(alignment),
          format(std::move(format)) {}

    QString caption;
    int widthTwips; // 0 hides the column
    Qt::Alignment alignment;
    // A number pattern ("#####0.00", "$ #####0.00", "##0.00%"), "dd/mm/yyyy" for a date, or
    // empty for the value as stored.
    QString format;
    double scale = 1.0;     // 100 for a share shown as a percentage with "##0.00"
    bool blankZero = false; // a cell whose text shows only zeros is left empty ("$ 0.00")
};

QString cellText(const QVariant& value, const Column& column);
CellStyle headerCell(const Column& column); // grey with white text, the column's alignment
CellStyle bodyCell(const QVariant& value, const Column& column);

// Everything a grid bound to a record set shows: one column per field in field order, the
// header, then one row per visible record in the record set's order. Views adjust cells (colour
// signals, bold) before painting.
struct GridContent {
    std::vector<QString> fields;
    std::vector<Column> columns;
    std::vector<CellStyle> header;
    std::vector<std::vector<CellStyle>> rows;

    int rowCount() const { return int(rows.size()); }
    int columnCount() const { return int(columns.size()); }
    CellStyle& cell(int row, int column) { return rows.at(size_t(row)).at(size_t(column)); }
    const CellStyle& cell(int row, int column) const {
        return rows.at(size_t(row)).at(size_t(column));
    }
    int fieldColumn(const QString& field) const; // -1 when absent (case-insensitive)
    // Colours a whole column of data rows, such as a separator.
    void setColumnBackground(int column, long background);
};

// `columns` gives the look of each field in order; fields beyond it are shown as stored with
// the field name as caption.
GridContent gridContent(const store::RecordSet& records, const std::vector<Column>& columns);
// The same for typed rows already turned into one value per column, in the order given.
GridContent gridContent(const std::vector<QString>& fields,
                        const std::vector<std::vector<QVariant>>& rows,
                        const std::vector<Column>& columns);

} // namespace grid
