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

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Picture1"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* textBox = new QPlainTextEdit(text, this);
    textBox->setObjectName(QStringLiteral("Text1"));
    textBox->setReadOnly(true);

    auto* detailButton = new QPushButton(QStringLiteral("Detalle"), this);
    detailButton->setObjectName(QStringLiteral("Command1"));
    connect(detailButton, &QPushButton::clicked, this, &errores::showErrorDetail);
    auto* okButton = new QPushButton(QStringLiteral("Aceptar"), this);
    okButton->setObjectName(QStringLiteral("Command2"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0);
    layout->addWidget(textBox, 0, 1, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->addWidget(detailButton, 1, 2);
    layout->addWidget(okButton, 1, 3);
    resize(420, 200);
}

void errores::showErrorDetail() {
    const RunTimeError e = lastError();
    msg::msgBox(QStringLiteral("Código del error: ") + QString::number(e.number) +
                    QStringLiteral("\n\nDescripción : ") + e.description,
                msg::Plain, QStringLiteral("Información del error"));
    accept();
}

} // namespace app
