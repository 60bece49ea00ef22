#pragma once

#include "app/regional_settings.h"

#include <QString>
#include <array>

namespace app {

// One locale item the program needs, with its required value and the texts of the check.
struct RegionalRequirement {
    LocaleItem item;
    QString required;
    QString mismatchText; // followed by the required value
    QString readFailedText;
    QString writeFailedText;
};

// The seven items, in the order they are checked and written.
const std::array<RegionalRequirement, 7>& regionalRequirements();

inline const QString kRegionalTitle = QStringLiteral("Configuración Regional");

// Reads every item and, when some differ from what the program needs, asks the user whether
// to rewrite them all. True when the settings are as required at the end; false after a
// failed read or write (each reported) or when the user declines the update.
bool checkRegionalSettings(RegionalSettings& settings);

} // namespace app
