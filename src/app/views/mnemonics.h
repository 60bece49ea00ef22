#pragma once

#include <QStringList>

class QWidget;

namespace widgets {

// The Alt-key mnemonics that more than one visible control of a window answers to: buttons,
// check and option boxes, group boxes, labels with a buddy, tab captions and, in a main
// window, the menu bar and each menu's items. One line per repeated key, "Alt+F: &Fórmulas,
// &Formular Mínimo Costo"; empty when every key leads to one place.
QStringList repeatedMnemonics(const QWidget& window);

// The key of a caption's mnemonic ("&Grabar": G; "Ra&ngos": N; "&&" is a plain ampersand),
// upper case; a null QChar when the caption has none.
QChar mnemonicOf(const QString& caption);

} // namespace widgets
