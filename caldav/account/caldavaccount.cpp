#include "caldavaccount.h"

#include <QSettings>
#include <QUrl>

namespace {

const QString EnabledKey = QStringLiteral("CalDav/Enabled");
const QString UrlKey = QStringLiteral("CalDav/Url");
const QString UserKey = QStringLiteral("CalDav/User");
const QString LastResultKey = QStringLiteral("CalDav/LastResult");
const QString DifferingKey = QStringLiteral("CalDav/Differing");

bool isThisMachine(const QString &host)
{
    return host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1") || host == QLatin1String("::1");
}

} // namespace

CalDavAccount CalDavAccount::stored()
{
    const QSettings settings;
    CalDavAccount account;
    account.enabled = settings.value(EnabledKey, false).toBool();
    account.url = settings.value(UrlKey).toString().left(MaximumUrlLength);
    account.user = settings.value(UserKey).toString().left(MaximumUserLength);
    return account;
}

void CalDavAccount::store() const
{
    QSettings settings;
    settings.setValue(EnabledKey, enabled);
    settings.setValue(UrlKey, url);
    settings.setValue(UserKey, user);
}

QString CalDavAccount::passwordKey() const
{
    return user + QLatin1Char('@') + url;
}

bool CalDavAccount::isReady() const
{
    return enabled && urlProblem(url).isEmpty();
}

QString CalDavAccount::urlProblem(const QString &url)
{
    if (url.trimmed().isEmpty())
        return QStringLiteral("Enter the calendar's URL.");
    if (url.size() > MaximumUrlLength)
        return QStringLiteral("The calendar's URL is longer than %1 characters.").arg(MaximumUrlLength);
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.isRelative())
        return QStringLiteral("The calendar's URL is not a web address.");
    const QString scheme = parsed.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        return QStringLiteral("The calendar's URL must begin with https:// or http://.");
    if (parsed.host().isEmpty())
        return QStringLiteral("The calendar's URL names no server.");
    // Settings are stored in plain text; a password inside the URL would be too.
    if (!parsed.userInfo().isEmpty())
        return QStringLiteral("Give the user name and password in their own fields, not in the calendar's URL.");
    return QString();
}

QString CalDavAccount::urlWarning(const QString &url)
{
    if (!urlProblem(url).isEmpty())
        return QString();
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    if (parsed.scheme().toLower() == QLatin1String("https") || isThisMachine(parsed.host()))
        return QString();
    return QStringLiteral("The password and the bills will cross the network unencrypted, since the URL begins with "
                          "http:// rather than https://.");
}

QString CalDavAccount::lastResult()
{
    return QSettings().value(LastResultKey).toString();
}

int CalDavAccount::differingCount()
{
    return qMax(0, QSettings().value(DifferingKey, 0).toInt());
}

void CalDavAccount::storeLastResult(const QString &sentence)
{
    QSettings().setValue(LastResultKey, sentence);
}

void CalDavAccount::storeLastResult(const QString &sentence, int differing)
{
    QSettings settings;
    settings.setValue(LastResultKey, sentence);
    // Absent unless something differs: a settings file as before otherwise.
    if (differing > 0)
        settings.setValue(DifferingKey, differing);
    else
        settings.remove(DifferingKey);
}
