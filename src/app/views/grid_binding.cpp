#include "app/views/grid_binding.h"

#include "store/record_set.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <algorithm>

namespace {

const QString kNoMatchText = QStringLiteral("No hubo coincidencias");

QString headerSheet() {
    const QColor back = grid::colorFromLong(grid::kGrey);
    const QColor text = grid::colorFromLong(grid::kWhite);
    return QStringLiteral("QHeaderView::section { background-color: %1; color: %2; "
                          "border: 1px solid %3; padding: 1px 3px; }")
        .arg(back.name(), text.name(), back.darker(130).name());
}

} // namespace

GridBinding::GridBinding(QTableWidget* grid) : QObject(grid), grid_(grid) {
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStyleSheet(headerSheet());
    grid->horizontalHeader()->setHighlightSections(false);
    grid->installEventFilter(this);

    noMatch_ = new QLabel(kNoMatchText, grid);
    noMatch_->setObjectName(QStringLiteral("txtnohubo"));
    noMatch_->setAlignment(Qt::AlignCenter);
    noMatch_->setAutoFillBackground(true);
    noMatch_->hide();
}

void GridBinding::setFillColumn(int column) {
    fillColumn_ = column;
    applyWidths();
}

void GridBinding::setFitCaptions(bool fit) {
    fitCaptions_ = fit;
    applyWidths();
}

void GridBinding::setFitContents(bool fit) {
    fitContents_ = fit;
    measureContents();
    applyWidths();
}

void GridBinding::bind(const store::RecordSet& records) {
    show(grid::gridContent(records, columns_));
}

void GridBinding::show(const grid::GridContent& content) {
    if (!grid_)
        return;
    grid_->setUpdatesEnabled(false);
    columns_ = content.columns;
    fields_ = content.fields;
    grid_->clearContents();
    grid_->setColumnCount(content.columnCount());
    grid_->setRowCount(content.rowCount());
    for (int c = 0; c < content.columnCount(); ++c) {
        auto* item = new QTableWidgetItem;
        applyStyle(item, content.header[size_t(c)]);
        grid_->setHorizontalHeaderItem(c, item);
    }
    for (int r = 0; r < content.rowCount(); ++r) {
        for (int c = 0; c < content.columnCount(); ++c) {
            auto* item = new QTableWidgetItem;
            applyStyle(item, content.cell(r, c));
            grid_->setItem(r, c, item);
        }
    }
    measureContents();
    applyWidths();
    setNoMatchVisible(content.rowCount() == 0);
    grid_->setUpdatesEnabled(true);
}

void GridBinding::clear() {
    if (!grid_)
        return;
    grid_->setRowCount(0);
    setNoMatchVisible(false);
}

QString GridBinding::boundField(int column) const {
    return column >= 0 && size_t(column) < fields_.size() ? fields_[size_t(column)] : QString();
}

int GridBinding::dataRowCount() const {
    return grid_ ? grid_->rowCount() : 0;
}

void GridBinding::paintCell(int row, int column, const grid::CellStyle& style) {
    if (!grid_)
        return;
    QTableWidgetItem* item = grid_->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid_->setItem(row, column, item);
    }
    applyStyle(item, style);
}

void GridBinding::applyStyle(QTableWidgetItem* item, const grid::CellStyle& style) {
    item->setText(style.text);
    item->setTextAlignment(style.alignment);
    item->setBackground(style.background ? QBrush(grid::colorFromLong(*style.background))
                                         : QBrush());
    item->setForeground(style.foreground ? QBrush(grid::colorFromLong(*style.foreground))
                                         : QBrush());
    QFont font = item->font();
    font.setBold(style.bold);
    item->setFont(font);
    item->setToolTip(style.toolTip);
}

void GridBinding::setNoMatchVisible(bool visible) {
    if (!noMatch_)
        return;
    noMatch_->setVisible(visible);
    if (visible) {
        placeNoMatch();
        noMatch_->raise();
    }
}

bool GridBinding::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::Resize) {
        applyWidths();
        placeNoMatch();
    }
    return false;
}

void GridBinding::applyWidths() {
    if (!grid_)
        return;
    const double dpi = grid_->logicalDpiX();
    int others = 0;
    for (int c = 0; c < grid_->columnCount(); ++c) {
        const int twips = size_t(c) < columns_.size() ? columns_[size_t(c)].widthTwips : 1000;
        grid_->setColumnHidden(c, twips <= 0 && c != fillColumn_);
        if (c == fillColumn_)
            continue;
        if (twips <= 0)
            continue;
        const int pixels = grid::twipsToPixels(twips, dpi);
        int least = fitCaptions_ ? grid_->horizontalHeader()->sectionSizeHint(c) : 0;
        if (size_t(c) < contentWidths_.size())
            least = std::max(least, contentWidths_[size_t(c)]);
        grid_->setColumnWidth(c, std::max(pixels, least));
        others += least > pixels ? grid::pixelsToTwips(least, dpi) : twips;
    }
    if (fillColumn_ < 0 || fillColumn_ >= grid_->columnCount())
        return;
    const QHeaderView* header = grid_->horizontalHeader();
    const int rowsHeight = grid_->rowCount() * grid_->verticalHeader()->defaultSectionSize();
    const int room = grid_->height() - 2 * grid_->frameWidth() -
                     (header->isHidden() ? 0 : header->sizeHint().height());
    const bool scrollBar = rowsHeight > room;
    const int fill =
        grid::remainingWidthTwips(grid::pixelsToTwips(grid_->width(), dpi), others, scrollBar);
    grid_->setColumnWidth(fillColumn_, grid::twipsToPixels(fill, dpi));
}

void GridBinding::measureContents() {
    contentWidths_.clear();
    if (!grid_ || !fitContents_)
        return;
    // The item view's own margins around a cell's text, and a little air.
    const int margin =
        2 * (grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid_) + 1) + 4;
    contentWidths_.assign(size_t(grid_->columnCount()), 0);
    for (int c = 0; c < grid_->columnCount(); ++c) {
        for (int r = 0; r < grid_->rowCount(); ++r) {
            const QTableWidgetItem* item = grid_->item(r, c);
            if (!item || item->text().isEmpty())
                continue;
            const int width = QFontMetrics(item->font()).horizontalAdvance(item->text()) + margin;
            contentWidths_[size_t(c)] = std::max(contentWidths_[size_t(c)], width);
        }
    }
}

void GridBinding::placeNoMatch() {
    if (!grid_ || !noMatch_)
        return;
    const QHeaderView* header = grid_->horizontalHeader();
    const int top = grid_->frameWidth() + header->sizeHint().height() + 4;
    const int height = noMatch_->sizeHint().height() + 8;
    const int width = std::min(grid_->width() - 8, noMatch_->sizeHint().width() + 24);
    noMatch_->setGeometry((grid_->width() - width) / 2, top, width, height);
}
