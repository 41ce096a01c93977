#include "platform/dataaccess/ConnectionString.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace dataaccess {

namespace {

const QString kHidden = QStringLiteral("***");

QString Decode(QStringView s) {
    return QUrl::fromPercentEncoding(s.toUtf8());
}

// One key=value of an ODBC connection string, as places in the text. A value in braces may hold
// ; and = ("}}" is a brace inside it).
struct OdbcAttribute {
    qsizetype start = 0; // of the key
    qsizetype valueStart = -1; // -1: no '=' (a bare data source name)
    qsizetype end = 0; // before the ';' or the end of the text
};

std::vector<OdbcAttribute> SplitOdbc(QStringView s) {
    std::vector<OdbcAttribute> attributes;
    qsizetype i = 0;
    while (i < s.size()) {
        OdbcAttribute a;
        a.start = i;
        while (i < s.size() && s[i] != u'=' && s[i] != u';')
            ++i;
        if (i < s.size() && s[i] == u'=') {
            a.valueStart = ++i;
            while (i < s.size() && s[i].isSpace())
                ++i;
            if (i < s.size() && s[i] == u'{') {
                for (++i; i < s.size(); ++i) {
                    if (s[i] != u'}')
                        continue;
                    if (i + 1 < s.size() && s[i + 1] == u'}') {
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
            }
            while (i < s.size() && s[i] != u';')
                ++i;
        }
        a.end = i;
        attributes.push_back(a);
        if (i < s.size())
            ++i; // the ';'
    }
    return attributes;
}

QStringView Key(QStringView s, const OdbcAttribute& a) {
    return s.mid(a.start, (a.valueStart < 0 ? a.end : a.valueStart - 1) - a.start).trimmed();
}

QStringView Value(QStringView s, const OdbcAttribute& a) {
    return a.valueStart < 0 ? QStringView() : s.mid(a.valueStart, a.end - a.valueStart).trimmed();
}

bool IsPasswordKey(QStringView key) {
    return key.compare(u"PWD", Qt::CaseInsensitive) == 0 || key.compare(u"PASSWORD", Qt::CaseInsensitive) == 0;
}

// The string as Qt's ODBC driver wants it. The driver passes a string that holds DRIVER= or SERVER=
// unchanged and puts DSN= in front of any other, so "DSN=name;UID=u" is handed over as "name;UID=u".
QString OdbcForDriver(const QString& text) {
    if (text.contains(u"DRIVER=", Qt::CaseInsensitive) || text.contains(u"SERVER=", Qt::CaseInsensitive))
        return text;
    const QStringView s(text);
    const std::vector<OdbcAttribute> attributes = SplitOdbc(s);
    const auto dsn = std::find_if(attributes.begin(), attributes.end(), [&](const OdbcAttribute& a) {
        return a.valueStart >= 0 && Key(s, a).compare(u"DSN", Qt::CaseInsensitive) == 0;
    });
    if (dsn == attributes.end())
        return text; // a bare name, perhaps with attributes after it
    QStringList parts{Value(s, *dsn).toString()};
    for (const OdbcAttribute& a : attributes)
        if (&a != &*dsn && !s.mid(a.start, a.end - a.start).trimmed().isEmpty())
            parts.append(s.mid(a.start, a.end - a.start).trimmed().toString());
    return parts.join(u';');
}

QString OdbcWithoutPassword(const QString& text) {
    QString result = text;
    const std::vector<OdbcAttribute> attributes = SplitOdbc(text);
    for (auto a = attributes.rbegin(); a != attributes.rend(); ++a)
        if (a->valueStart >= 0 && IsPasswordKey(Key(text, *a)))
            result.replace(a->valueStart, a->end - a->valueStart, kHidden);
    return result;
}

QString OdbcPassword(const QString& text) {
    for (const OdbcAttribute& a : SplitOdbc(text))
        if (a.valueStart >= 0 && IsPasswordKey(Key(text, a))) {
            QStringView value = Value(text, a);
            if (value.startsWith(u'{') && value.endsWith(u'}'))
                return value.mid(1, value.size() - 2).toString().replace(u"}}"_s, u"}"_s);
            return value.toString();
        }
    return {};
}

// user:password@ and password= of a libpq URI.
QString UrlWithoutPassword(const QString& text, qsizetype schemeEnd) {
    QString result = text;
    qsizetype queryStart = result.indexOf(u'?', schemeEnd);
    if (queryStart < 0)
        queryStart = result.size();
    if (const qsizetype at = result.lastIndexOf(u'@', queryStart - 1); at >= schemeEnd) {
        const qsizetype colon = result.indexOf(u':', schemeEnd);
        if (colon >= 0 && colon < at) {
            result.replace(colon + 1, at - colon - 1, kHidden);
            queryStart = result.indexOf(u'?', schemeEnd);
        }
    }
    if (queryStart < 0)
        return result;
    for (qsizetype pair = queryStart + 1; pair < result.size();) {
        qsizetype next = result.indexOf(u'&', pair);
        if (next < 0)
            next = result.size();
        if (QStringView(result).mid(pair, next - pair).startsWith(u"password=", Qt::CaseInsensitive)) {
            const qsizetype value = pair + 9;
            result.replace(value, next - value, kHidden);
            next = value + kHidden.size();
        }
        pair = next + 1;
    }
    return result;
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
        if (rest.mid(slash + 1).contains(u'@')) {
            // Most likely a password holding '/', which would otherwise show up as a database name.
            *error = QStringLiteral("a postgresql:// connection string with @ after its first /: "
                                    "write / inside a user or password as %2F");
            return std::nullopt;
        }
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
    // libpq waits for ever by default; seconds, as libpq reads them.
    if (!std::any_of(options.begin(), options.end(),
                     [](const QString& option) { return option.startsWith(u"connect_timeout="); }))
        options.append(QStringLiteral("connect_timeout=%1").arg(ConnectionString::kDefaultConnectTimeoutSeconds));
    result.options = options.join(u';');
    return result;
}

// sqlite:PATH?busy_timeout=MS. A '?' followed by anything else stays part of the path.
std::optional<ConnectionString> ParseSqlite(QStringView path, QString* error) {
    ConnectionString result;
    result.driver = QStringLiteral("QSQLITE");
    static constexpr QStringView kBusy = u"?busy_timeout=";
    if (const qsizetype q = path.lastIndexOf(kBusy); q >= 0) {
        bool ok = false;
        const int value = path.mid(q + kBusy.size()).toInt(&ok);
        if (!ok || value < 0) {
            *error = QStringLiteral("busy_timeout of an sqlite: connection string must be milliseconds, "
                                    "a whole number from 0");
            return std::nullopt;
        }
        result.busyTimeoutMs = value;
        path = path.left(q);
    }
    if (path.isEmpty()) {
        *error = QStringLiteral("sqlite: without a file path");
        return std::nullopt;
    }
    result.database = path.toString();
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
        return ParseSqlite(path, error);
    }
    for (const char* scheme : {"postgresql://", "postgres://"})
        if (s.startsWith(QLatin1StringView(scheme), Qt::CaseInsensitive))
            return ParsePostgres(s.mid(qstrlen(scheme)), error);
    if (s.startsWith(u"odbc:", Qt::CaseInsensitive)) {
        ConnectionString result;
        result.driver = QStringLiteral("QODBC");
        result.database = OdbcForDriver(s.mid(5).trimmed().toString());
        if (result.database.isEmpty()) {
            *error = QStringLiteral("odbc: without a connection string");
            return std::nullopt;
        }
        // Set on the connection before the driver connects (Qt's ODBC connect options).
        result.options = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(kDefaultConnectTimeoutSeconds);
        return result;
    }
    *error = QStringLiteral("a connection string must start with sqlite:, postgresql:// or odbc:");
    return std::nullopt;
}

QString ConnectionString::WithoutPassword(const QString& text) {
    for (const char* scheme : {"postgresql://", "postgres://"})
        if (text.startsWith(QLatin1StringView(scheme), Qt::CaseInsensitive))
            return UrlWithoutPassword(text, qstrlen(scheme));
    if (text.startsWith(u"odbc:", Qt::CaseInsensitive))
        return OdbcWithoutPassword(text);
    return text;
}

QString ConnectionString::HidePassword(const QString& message) const {
    QString result = message;
    for (const QString& secret : {password, driver == u"QODBC" ? OdbcPassword(database) : QString()})
        if (!secret.isEmpty())
            result.replace(secret, kHidden);
    return result;
}

} // namespace dataaccess
