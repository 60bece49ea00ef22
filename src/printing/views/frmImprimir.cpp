#include "printing/views/frmImprimir.h"

#include <QGroupBox>
#include <QHBoxLayout>
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
    Command2 = new QPushButton(QStringLiteral("Exportar a &Word"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* button : {Command1, Command2}) {
        button->setMinimumSize(150, 40);
        button->setAutoDefault(false);
    }

    auto* buttons = new QHBoxLayout(Frame1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);

    connect(Command1, &QPushButton::clicked, this, [this] { choose(1); });
    connect(Command2, &QPushButton::clicked, this, [this] { choose(2); });
}

frmImprimir::~frmImprimir() = default;

void frmImprimir::choose(qint16 destination) {
    destination_ = destination;
    accept();
}

} // namespace printing
