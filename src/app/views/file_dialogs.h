#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace widgets {

// The program's file dialogs are Qt's own, not the desktop's, so that they speak its language on
// any desktop; their detail columns are wide enough for the Spanish headings
// ("Última modificación"). An empty text when cancelled.
QString askOpenFileName(QWidget* parent, const QString& title, const QString& filters);
QString askSaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                        const QString& filters);

// What both give a dialog before it shows.
void prepareFileDialog(QFileDialog& dialog);

} // namespace widgets
