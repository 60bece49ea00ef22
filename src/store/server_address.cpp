#include "store/server_address.h"

#include "store/database.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace store {

namespace {

const QString kSchemes[] = {QStringLiteral("postgresql://"), QStringLiteral("postgres://")};

StoreError badAddress(const QString& location, const QString& why) {
    return StoreError(QStringLiteral("La dirección de la base de datos del servidor \"%1\" no es "
                                     "válida: %2. Se escribe postgresql://USUARIO@SERVIDOR[:PUERTO]"
                                     "/BASE.")
                          .arg(withoutPassword(location), why));
}

} // namespace

QString ServerAddress::url() const {
    QString out = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        out += QString::fromUtf8(QUrl::toPercentEncoding(user)) + u'@';
    out += QString::fromUtf8(QUrl::toPercentEncoding(host));
    if (port != 5432)
        out += u':' + QString::number(port);
    return out + u'/' + QString::fromUtf8(QUrl::toPercentEncoding(database));
}

QString withoutPassword(const QString& location) {
    if (!isServerAddress(location))
        return location;
    QString out = location;
    const qsizetype start = out.indexOf(QStringLiteral("://")) + 3;
    qsizetype options = out.indexOf(u'?', start);
    // The user's part ends at the last "@" before the options: a password may hold "/" or "@".
    const qsizetype at = out.lastIndexOf(u'@', options < 0 ? -1 : options - 1);
    if (const qsizetype colon = out.indexOf(u':', start); at > start && colon >= 0 && colon < at) {
        const QString hidden = QStringLiteral("***");
        out.replace(colon + 1, at - colon - 1, hidden);
        if (options >= 0)
            options -= at - colon - 1 - hidden.size();
    }
    if (options >= 0) {
        static const QRegularExpression password(QStringLiteral("([?&]password=)[^&]*"),
                                                 QRegularExpression::CaseInsensitiveOption);
        out = out.left(options) + out.mid(options).replace(password, QStringLiteral("\\1***"));
    }
    return out;
}

bool isServerAddress(const QString& location) {
    for (const QString& scheme : kSchemes)
        if (location.startsWith(scheme, Qt::CaseInsensitive))
            return true;
    return false;
}

ServerAddress parseServerAddress(const QString& location) {
    QString rest;
    for (const QString& scheme : kSchemes)
        if (location.startsWith(scheme, Qt::CaseInsensitive))
            rest = location.mid(scheme.size());
    if (!isServerAddress(location))
        throw badAddress(location, QStringLiteral("no empieza por postgresql://"));
    QString options;
    if (const qsizetype q = rest.indexOf(u'?'); q >= 0) {
        options = rest.mid(q + 1);
        rest.truncate(q);
    }
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0)
        throw badAddress(location, QStringLiteral("falta el nombre de la base de datos"));
    QString authority = rest.left(slash);
    ServerAddress a;
    a.database = QUrl::fromPercentEncoding(rest.mid(slash + 1).toUtf8());
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        const QString userInfo = authority.left(at);
        if (userInfo.contains(u':'))
            throw badAddress(location,
                             QStringLiteral("la contraseña no se escribe en la dirección; guárdela "
                                            "en ~/.pgpass (o PGPASSFILE) o en la variable "
                                            "PGPASSWORD"));
        a.user = QUrl::fromPercentEncoding(userInfo.toUtf8());
        authority = authority.mid(at + 1);
    }
    if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) {
        bool ok = false;
        a.port = authority.mid(colon + 1).toInt(&ok);
        if (!ok || a.port < 1 || a.port > 65535)
            throw badAddress(location, QStringLiteral("el puerto no es un número válido"));
        authority.truncate(colon);
    }
    a.host = QUrl::fromPercentEncoding(authority.toUtf8());
    const QUrlQuery query(options);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key != QStringLiteral("host"))
            throw badAddress(location, QStringLiteral("la opción \"%1\" no se admite").arg(key));
        a.host = value;
    }
    if (a.host.isEmpty())
        throw badAddress(location, QStringLiteral("falta el servidor"));
    if (a.database.isEmpty() || a.database.contains(u'/'))
        throw badAddress(location, QStringLiteral("falta el nombre de la base de datos"));
    return a;
}

} // namespace store
