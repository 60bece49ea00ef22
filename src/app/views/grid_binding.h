#pragma once

#include "app/grid_style.h"

#include <QObject>
#include <QPointer>
#include <vector>

class QLabel;
class QTableWidget;
class QTableWidgetItem;

namespace store {
class RecordSet;
}

// Shows a record set in a QTableWidget as static text: one column per field in order, the
// captions in the header (grey, white text), widths in twips, each cell's text, alignment,
// colours and bold as core decided. Data row r of the grid is row r of the record set (the
// header is the table's own). Over the grid lies "No hubo coincidencias" (`txtnohubo`), shown
// when a search leaves no rows.
class GridBinding : public QObject {
public:
    explicit GridBinding(QTableWidget* grid);

    // The look of each field, in field order.
    void setColumns(std::vector<grid::Column> columns) { columns_ = std::move(columns); }
    const std::vector<grid::Column>& columns() const { return columns_; }
    // The column that takes the width the others leave (-1: none). It is sized again whenever
    // the grid is resized.
    void setFillColumn(int column);
    // Columns never narrower than their caption, where the widths in twips were chosen for a
    // smaller font than the screen's.
    void setFitCaptions(bool fit);
    // Columns never narrower than their widest cell (bold ones included), for grids whose widths
    // in twips would cut a long name or a large total.
    void setFitContents(bool fit);

    // Shows the record set with the columns set; the overlay shows when it has no rows.
    void bind(const store::RecordSet& records);
    // Shows content prepared in core (colour signals and bold already decided).
    void show(const grid::GridContent& content);
    // Back to the header alone, without the overlay.
    void clear();

    // The field shown in a column, for the checks that a grid is laid out as expected; empty
    // when the column does not exist.
    QString boundField(int column) const;
    int dataRowCount() const;
    // Repaints one data cell.
    void paintCell(int row, int column, const grid::CellStyle& style);
    static void applyStyle(QTableWidgetItem* item, const grid::CellStyle& style);

    QLabel* noMatch() const { return noMatch_; }
    void setNoMatchVisible(bool visible);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyWidths();
    void measureContents();
    void placeNoMatch();

    QPointer<QTableWidget> grid_;
    QPointer<QLabel> noMatch_;
    std::vector<grid::Column> columns_;
    std::vector<QString> fields_;
    int fillColumn_ = -1;
    bool fitCaptions_ = false;
    bool fitContents_ = false;
    std::vector<int> contentWidths_; // pixels, by column, measured when content is shown
};
