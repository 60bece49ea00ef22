#include "printing/views/frmImprimir.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace printing {

frmImprimir::frmImprimir(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmImprimir"));
    setWindowTitle(QStringLiteral("Seleccione destino"));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Command1 = new QPushButton(QStringLiteral("&Impresora"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    // The export writes an OpenDocument text, which any word processor opens.
    Command2 = new QPushButton(QStringLiteral("Exportar documento de &texto (.odt)"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* button : {Command1, Command2}) {
        button->setMinimumSize(150, 40);
        button->setAutoDefault(false);
    }

    auto* buttons = new QHBoxLayout(Frame1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    chkGraficos = new QCheckBox(
        QStringLiteral("Incluir los &gráficos de la mezcla (segunda página, solo impresora)"),
        this);
    chkGraficos->setObjectName(QStringLiteral("chkGraficos"));
    cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    cmdCancelar->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkGraficos, 1);
    bottom->addWidget(cmdCancelar);
    lblObjetivos = new QLabel(
        QStringLiteral("Agregar una línea por &objetivo (su valor por kg y por tonelada):"), this);
    lblObjetivos->setObjectName(QStringLiteral("lblObjetivos"));
    lstObjetivos = new QListWidget(this);
    lstObjetivos->setObjectName(QStringLiteral("lstObjetivos"));
    lblObjetivos->setBuddy(lstObjetivos);
    lblObjetivos->hide();
    lstObjetivos->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(lblObjetivos);
    layout->addWidget(lstObjetivos);
    layout->addLayout(bottom);

    connect(Command1, &QPushButton::clicked, this, [this] { choose(1); });
    connect(Command2, &QPushButton::clicked, this, [this] { choose(2); });
    // Closes as the window's box does: destination() stays 0 and nothing is printed.
    connect(cmdCancelar, &QPushButton::clicked, this, &frmImprimir::reject);
}

frmImprimir::~frmImprimir() = default;

bool frmImprimir::withCharts() const {
    return chkGraficos->isChecked();
}

void frmImprimir::setGoalChoices(const QStringList& names) {
    lstObjetivos->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, lstObjetivos);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    lblObjetivos->setVisible(!names.isEmpty());
    lstObjetivos->setVisible(!names.isEmpty());
}

std::vector<int> frmImprimir::chosenGoals() const {
    std::vector<int> chosen;
    for (int row = 0; row < lstObjetivos->count(); ++row)
        if (lstObjetivos->item(row)->checkState() == Qt::Checked)
            chosen.push_back(row);
    return chosen;
}

void frmImprimir::choose(qint16 destination) {
    destination_ = destination;
    accept();
}

} // namespace printing
