#include "ConnectionString.h"

#include <QUrl>

namespace dataaccess {

namespace {

QString Decode(QStringView s) {
    return QUrl::fromPercentEncoding(s.toUtf8());
}

std::optional<ConnectionString> ParsePostgres(QStringView rest, QString* error) {
    ConnectionString result;
    result.driver = QStringLiteral("QPSQL");
    QStringView query;
    if (const qsizetype q = rest.indexOf(u'?'); q >= 0) {
        query = rest.mid(q + 1);
        rest = rest.left(q);
    }
    QStringView authority = rest;
    if (const qsizetype slash = rest.indexOf(u'/'); slash >= 0) {
        authority = rest.left(slash);
        result.database = Decode(rest.mid(slash + 1));
    }
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        const QStringView userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        if (const qsizetype colon = userInfo.indexOf(u':'); colon >= 0) {
            result.user = Decode(userInfo.left(colon));
            result.password = Decode(userInfo.mid(colon + 1));
        } else {
            result.user = Decode(userInfo);
        }
    }
    QStringView host = authority;
    QStringView port;
    if (host.startsWith(u'[')) { // [IPv6]:port
        const qsizetype close = host.indexOf(u']');
        if (close < 0) {
            *error = QStringLiteral("an unclosed [ in the host of a postgresql:// connection string");
            return std::nullopt;
        }
        if (host.mid(close + 1).startsWith(u':'))
            port = host.mid(close + 2);
        host = host.mid(1, close - 1);
    } else if (const qsizetype colon = host.lastIndexOf(u':'); colon >= 0) {
        port = host.mid(colon + 1);
        host = host.left(colon);
    }
    result.host = Decode(host);
    auto setPort = [&](QStringView text) {
        bool ok = false;
        const int value = Decode(text).toInt(&ok);
        if (!ok || value <= 0 || value > 65535) {
            *error = QStringLiteral("the port \"%1\" of a postgresql:// connection string is not a number")
                         .arg(text);
            return false;
        }
        result.port = value;
        return true;
    };
    if (!port.isEmpty() && !setPort(port))
        return std::nullopt;
    QStringList options;
    for (QStringView pair : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq < 0) {
            *error = QStringLiteral("\"%1\" in a postgresql:// connection string is not key=value").arg(pair);
            return std::nullopt;
        }
        const QString key = Decode(pair.left(eq));
        const QStringView value = pair.mid(eq + 1);
        if (key == u"host")
            result.host = Decode(value);
        else if (key == u"port") {
            if (!setPort(value))
                return std::nullopt;
        } else if (key == u"user")
            result.user = Decode(value);
        else if (key == u"password")
            result.password = Decode(value);
        else if (key == u"dbname")
            result.database = Decode(value);
        else
            options.append(key + u'=' + Decode(value));
    }
    result.options = options.join(u';');
    return result;
}

} // namespace

std::optional<ConnectionString> ConnectionString::Parse(const QString& text, QString* error) {
    QString ignored;
    if (!error)
        error = &ignored;
    const QStringView s(text);
    if (s.startsWith(u"sqlite:", Qt::CaseInsensitive)) {
        QStringView path = s.mid(7);
        if (path.startsWith(u"//"))
            path = path.mid(2);
        if (path.isEmpty()) {
            *error = QStringLiteral("sqlite: without a file path");
            return std::nullopt;
        }
        ConnectionString result;
        result.driver = QStringLiteral("QSQLITE");
        result.database = path.toString();
        return result;
    }
    for (const char* scheme : {"postgresql://", "postgres://"})
        if (s.startsWith(QLatin1StringView(scheme), Qt::CaseInsensitive))
            return ParsePostgres(s.mid(qstrlen(scheme)), error);
    if (s.startsWith(u"odbc:", Qt::CaseInsensitive)) {
        ConnectionString result;
        result.driver = QStringLiteral("QODBC");
        result.database = s.mid(5).toString();
        if (result.database.isEmpty()) {
            *error = QStringLiteral("odbc: without a connection string");
            return std::nullopt;
        }
        return result;
    }
    *error = QStringLiteral("a connection string must start with sqlite:, postgresql:// or odbc:");
    return std::nullopt;
}

} // namespace dataaccess
