#include "app/regional_check.h"

#include "app/messages.h"

namespace app {

const std::array<RegionalRequirement, 7>& regionalRequirements() {
    static const std::array<RegionalRequirement, 7> items{{
        {LocaleItem::DateSeparator, QStringLiteral("/"),
         QStringLiteral("El separador de fecha debe ser: "),
         QStringLiteral("No se pudo obtener la información del separador de fecha"),
         QStringLiteral("No se pudo modificar el separador de fecha")},
        {LocaleItem::ShortDate, QStringLiteral("dd/MM/yyyy"),
         QStringLiteral("El formato de fecha debe ser: "),
         QStringLiteral("No se pudo obtener la información de Formato de Fecha"),
         QStringLiteral("No se pudo modificar el formato de fecha")},
        {LocaleItem::TimeSeparator, QStringLiteral(":"),
         QStringLiteral("El separador de hora debe ser: "),
         QStringLiteral("No se pudo obtener la información del separador de hora"),
         QStringLiteral("No se pudo modificar el separador de hora")},
        {LocaleItem::DecimalSeparator, QStringLiteral("."),
         QStringLiteral("El separador decimal debe ser: "),
         QStringLiteral("No se pudo obtener la información del separador decimal"),
         QStringLiteral("No se pudo modificar el separador decimal")},
        {LocaleItem::ThousandSeparator, QStringLiteral(","),
         QStringLiteral("El separador de miles debe ser: "),
         QStringLiteral("No se pudo obtener la información del separador decimal"),
         QStringLiteral("No se pudo modificar el separador de miles")},
        {LocaleItem::MonetaryDecimalSeparator, QStringLiteral("."),
         QStringLiteral("El separador decimal monetario debe ser: "),
         QStringLiteral("No se pudo obtener la información del separador decimal monetario"),
         QStringLiteral("No se pudo modificar el separador decimal de moneda")},
        {LocaleItem::MonetaryThousandSeparator, QStringLiteral(","),
         QStringLiteral("El separador de miles monetario debe ser: "),
         QStringLiteral("No se pudo obtener la información del separador decimal monetario"),
         QStringLiteral("No se pudo modificar el separador de miles de moneda")},
    }};
    return items;
}

bool checkRegionalSettings(RegionalSettings& settings) {
    QString mismatches;
    for (const RegionalRequirement& r : regionalRequirements()) {
        const std::optional<QString> value = settings.read(r.item);
        if (!value) {
            msg::msgBox(r.readFailedText, msg::Plain);
            return false;
        }
        if (*value != r.required)
            mismatches += r.mismatchText + r.required + QStringLiteral("\n\n");
    }
    if (mismatches.isEmpty())
        return true;

    const QString question =
        mismatches +
        QStringLiteral("\n¿Desea cambiar la configuración regional del programa (separadores y "
                       "formato de fecha) a estos valores?");
    if (msg::msgBox(question, msg::Question, kRegionalTitle) != msg::Yes)
        return false;
    // All seven are written, not only the wrong ones, so the settings end as one consistent set.
    for (const RegionalRequirement& r : regionalRequirements()) {
        if (!settings.write(r.item, r.required)) {
            msg::msgBox(r.writeFailedText, msg::Plain);
            return false;
        }
    }
    return true;
}

} // namespace app
