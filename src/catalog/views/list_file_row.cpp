#include "catalog/views/list_file_row.h"

#include "app/views/named_widgets.h"
#include "app/views/open_file.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace catalog {

ListFileRow listFileRow(QWidget* parent, const QString& caption, const QString& placeholder) {
    ListFileRow row;
    auto* Label1 = widgets::named<QLabel>(parent, "Label1");
    Label1->setText(caption);
    row.txtArchivo = widgets::named<QLineEdit>(parent, "txtArchivo");
    row.txtArchivo->setPlaceholderText(placeholder);
    row.cmdExaminar = widgets::button(parent, "cmdExaminar", QStringLiteral("&Examinar..."));
    row.cmdLeer = widgets::button(parent, "cmdLeer", QStringLiteral("&Leer"));
    row.layout = new QHBoxLayout;
    row.layout->addWidget(Label1);
    row.layout->addWidget(row.txtArchivo, 1);
    row.layout->addWidget(row.cmdExaminar);
    row.layout->addWidget(row.cmdLeer);
    return row;
}

bool chooseListFile(QWidget* parent, QLineEdit* txtArchivo, const QString& title,
                    const QString& filter) {
    const QString chosen = widgets::chooseOpenFile(parent, title, filter);
    if (chosen.isEmpty())
        return false;
    txtArchivo->setText(chosen);
    return true;
}

bool listFileNamed(QLineEdit* txtArchivo, const QString& missing) {
    if (!txtArchivo->text().trimmed().isEmpty())
        return true;
    msg::msgBox(missing, msg::Exclamation);
    txtArchivo->setFocus();
    return false;
}

} // namespace catalog
