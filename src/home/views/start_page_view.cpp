#include "home/views/start_page_view.h"

#include "app/views/grid_binding.h"
#include "store/database.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace home {

namespace {

QLabel* wrappingLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QTableWidget* listGrid(const char* name, QWidget* parent) {
    auto* grid = new QTableWidget(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setAlternatingRowColors(true);
    return grid;
}

} // namespace

StartPageView::StartPageView(store::Database& db, QWidget* parent) : QWidget(parent), db_(db) {
    setObjectName(QStringLiteral("inicio"));

    database_ = wrappingLabel("lblBaseDatos", this);
    QFont bold = database_->font();
    bold.setBold(true);
    database_->setFont(bold);
    error_ = wrappingLabel("lblError", this);
    error_->setStyleSheet(QStringLiteral("color: #b00000;"));
    error_->hide();

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildRecent(), 3);
    left->addWidget(buildPrices(), 2);
    columns->addLayout(left, 3);
    columns->addWidget(buildSide(), 1, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(database_);
    layout->addWidget(error_);
    layout->addLayout(columns, 1);
    refresh();
}

QWidget* StartPageView::buildRecent() {
    auto* box = new QGroupBox(QStringLiteral("Fórmulas modificadas recientemente"), this);
    box->setObjectName(QStringLiteral("fraRecientes"));
    recent_ = listGrid("grdRecientes", box);
    recent_->setToolTip(QStringLiteral("Doble clic o Intro: abrir la fórmula en Optimización"));
    recentBinding_ = new GridBinding(recent_);
    recentBinding_->setFillColumn(kRecentProductColumn);
    recentBinding_->setFitCaptions(true);
    recentBinding_->setFitContents(true);
    recentBinding_->noMatch()->setText(noRecentText());
    recentBinding_->noMatch()->setWordWrap(true);
    recent_->installEventFilter(this);
    connect(recent_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { openRow(row); });
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(recent_);
    return box;
}

QWidget* StartPageView::buildPrices() {
    auto* box =
        new QGroupBox(QStringLiteral("Cambios de precios desde la última formulación"), this);
    box->setObjectName(QStringLiteral("fraPrecios"));
    prices_ = wrappingLabel("lblPrecios", box);
    changed_ = listGrid("grdPrecios", box);
    changedBinding_ = new GridBinding(changed_);
    changedBinding_->setFillColumn(kChangedNameColumn);
    changedBinding_->setFitCaptions(true);
    changedBinding_->setFitContents(true);
    worklist_ = new QPushButton(QStringLiteral("&Ver fórmulas a reformular"), box);
    worklist_->setObjectName(QStringLiteral("cmdReformular"));
    connect(worklist_, &QPushButton::clicked, this, &StartPageView::worklistChosen);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(prices_);
    layout->addWidget(changed_, 1);
    layout->addWidget(worklist_, 0, Qt::AlignLeft);
    return box;
}

QWidget* StartPageView::buildSide() {
    auto* side = new QWidget(this);
    auto* countsBox = new QGroupBox(QStringLiteral("Contenido de la base de datos"), side);
    countsBox->setObjectName(QStringLiteral("fraCantidades"));
    counts_ = wrappingLabel("lblCantidades", countsBox);
    auto* countsLayout = new QVBoxLayout(countsBox);
    countsLayout->addWidget(counts_);

    auto* helpBox = new QGroupBox(QStringLiteral("Ayuda"), side);
    helpBox->setObjectName(QStringLiteral("fraAyuda"));
    auto* guide =
        new QLabel(QStringLiteral("<a href=\"guia\">Guía Rápida de Formulación</a>"), helpBox);
    guide->setObjectName(QStringLiteral("lblGuia"));
    guide->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    guide->setToolTip(QStringLiteral("Abre la guía (PDF): cómo formular, reformular, comparar "
                                     "versiones y planificar la producción"));
    connect(guide, &QLabel::linkActivated, this, &StartPageView::guideChosen);
    auto* helpLayout = new QVBoxLayout(helpBox);
    helpLayout->addWidget(guide);

    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(countsBox);
    layout->addWidget(helpBox);
    return side;
}

void StartPageView::refresh() {
    try {
        page_ = readStartPage(db_);
        error_->hide();
    } catch (const store::StoreError& e) {
        page_ = StartPage{};
        page_.database = describeDatabase(db_);
        error_->setText(QStringLiteral("No se pudo leer el resumen de la base de datos: ") +
                        e.message());
        error_->show();
    }
    database_->setText(page_.database.statusText());
    recentBinding_->show(recentGrid(page_.recent));
    prices_->setText(priceSummary(page_.prices));
    changedBinding_->show(changedIngredientsGrid(page_.prices));
    changedBinding_->setNoMatchVisible(false);
    changed_->setVisible(!page_.prices.ingredientes.empty());
    worklist_->setEnabled(page_.prices.formulasLibro > 0);
    counts_->setText(countLines(page_.counts).join(u'\n'));
}

void StartPageView::openRow(int row) {
    if (row >= 0 && size_t(row) < page_.recent.size())
        Q_EMIT formulaChosen(page_.recent[size_t(row)].idFormula);
}

bool StartPageView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == recent_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openRow(recent_->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace home
