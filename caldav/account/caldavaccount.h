#ifndef PAYVANE_CALDAVACCOUNT_H
#define PAYVANE_CALDAVACCOUNT_H

#include <QString>

// Where the bills are published: whether publishing is on, the calendar
// (collection) URL and the user name, kept in the native settings' group
// "CalDav". The password is never here (see CalDavPassword). The publisher
// writes its last result beside them, for the settings page to show.
class CalDavAccount
{
public:
    bool enabled = false;
    QString url;
    QString user;

    // The longest URL accepted; longer text is not an address a user typed.
    static constexpr int MaximumUrlLength = 2048;
    static constexpr int MaximumUserLength = 256;

    // The stored account; off, with empty fields, when none is stored.
    [[nodiscard]] static CalDavAccount stored();
    void store() const;

    // What the secret store files the password under: "user@url".
    [[nodiscard]] QString passwordKey() const;
    // Publishing is on and the URL can be used.
    [[nodiscard]] bool isReady() const;

    // One sentence saying why `url` cannot be a calendar's address; empty
    // when it can: http or https, a host, no user or password inside it.
    [[nodiscard]] static QString urlProblem(const QString &url);
    // One sentence when a usable `url` would send the password unencrypted
    // to another machine (plain http beyond this one); empty otherwise.
    [[nodiscard]] static QString urlWarning(const QString &url);

    // The publisher's last result sentence; empty before the first publish.
    [[nodiscard]] static QString lastResult();
    // How many calendar objects were left differing from this program's
    // versions (changed in the calendar) when the last result was noted.
    [[nodiscard]] static int differingCount();
    // A result that did not reach the calendar keeps the differing count.
    static void storeLastResult(const QString &sentence);
    static void storeLastResult(const QString &sentence, int differing);
};

#endif // PAYVANE_CALDAVACCOUNT_H
