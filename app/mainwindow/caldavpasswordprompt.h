#ifndef PAYVANE_CALDAVPASSWORDPROMPT_H
#define PAYVANE_CALDAVPASSWORDPROMPT_H

#include "caldavaccount.h"

#include <QObject>

class CalDavPassword;
class QWidget;

// The calendar's password before a publish: from the secret store, else
// from this run's memory, else asked of the user (and then kept: in the
// store where one runs, in memory until the program ends where none does).
class CalDavPasswordPrompt : public QObject
{
    Q_OBJECT

public:
    // `parent` is the window the question stands over.
    CalDavPasswordPrompt(const CalDavAccount &account, QWidget *parent);

    // Ends with obtained() or, when the user gives none, declined().
    void obtain();

signals:
    void obtained(const QString &password);
    void declined();

private:
    void ask();

    CalDavAccount m_account;
    QWidget *m_window;
    CalDavPassword *m_password;
};

#endif // PAYVANE_CALDAVPASSWORDPROMPT_H
