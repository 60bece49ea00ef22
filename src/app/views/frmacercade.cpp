#include "app/views/frmacercade.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

frmacercade::frmacercade(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmacercade"));
    setWindowTitle(QString());

    auto* Frame1 = new QGroupBox(QString(), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* Label1 = new QLabel(
        QStringLiteral("Sistema de Administración y Optimización de Fórmulas de Elaboración"),
        Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    QFont titleFont = Label1->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    Label1->setFont(titleFont);
    auto* Label2 = new QLabel(QStringLiteral("Versión 2.0"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);

    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(Label1);
    frameLayout->addWidget(Label2);

    auto* Command1 = new QPushButton(QStringLiteral("Aceptar"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

} // namespace app
