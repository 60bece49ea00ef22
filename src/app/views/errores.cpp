#include "app/views/errores.h"

#include "app/last_error.h"
#include "app/messages.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

namespace app {

errores::errores(const QString& text, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("errores"));
    setWindowTitle(QStringLiteral("Dosivant"));

    auto* Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(48, 48));
    Picture1->setAlignment(Qt::AlignTop);

    auto* Text1 = new QPlainTextEdit(text, this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);

    auto* Command1 = new QPushButton(QStringLiteral("Detalle"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &errores::Command1_Click);
    auto* Command2 = new QPushButton(QStringLiteral("Aceptar"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setDefault(true);
    connect(Command2, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(Picture1, 0, 0);
    layout->addWidget(Text1, 0, 1, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->addWidget(Command1, 1, 2);
    layout->addWidget(Command2, 1, 3);
    resize(420, 200);
}

void errores::Command1_Click() {
    const RunTimeError e = lastError();
    msg::msgBox(QStringLiteral("Código del error: ") + QString::number(e.number) +
                    QStringLiteral("\n\nDescripción : ") + e.description,
                msg::Plain, QStringLiteral("Información del error"));
    accept();
}

} // namespace app
