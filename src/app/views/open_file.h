#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace widgets {

// Asks the user for a file to open; an empty text when cancelled. Every view asks through
// chooseOpenFile, so a test can stand in for the user with its own chooser.
using OpenFileChooser =
    std::function<QString(QWidget* parent, const QString& title, const QString& filters)>;

QString chooseOpenFile(QWidget* parent, const QString& title, const QString& filters);

// Installs a chooser (an empty one restores the platform's file dialog); returns the old one.
OpenFileChooser setOpenFileChooser(OpenFileChooser chooser);

} // namespace widgets
