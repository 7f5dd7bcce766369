#ifndef PAYVANE_CALDAVSECTION_H
#define PAYVANE_CALDAVSECTION_H

#include "caldavaccount.h"

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings page's CalDAV publishing: on or off, the calendar's URL, the
// user name and the password (into the desktop's secret store, or this
// run's memory where none runs), and the publisher's last result. Stored
// with the page's other choices, on OK. When the last publish left objects
// changed in the calendar, a button offers to put this program's versions
// back, after asking.
class CalDavSection : public QGroupBox
{
    Q_OBJECT

public:
    explicit CalDavSection(QWidget *parent = nullptr);

    // The stored account into the section; the password field starts empty.
    void showStored();
    // The section's choices stored; a typed password goes to the secret
    // store. Publishing stays off, with the user told, when the URL cannot
    // be used.
    void storeChoices();
    // The section's widgets in the order Tab visits them.
    [[nodiscard]] QList<QWidget *> tabChain() const;

signals:
    // The user agreed to replace the calendar's differing versions.
    void replaceRequested();

public slots:
    // The publisher's last result sentence, as plain text, and whether
    // anything is left to replace.
    void showLastResult();

private:
    void askReplace();
    void leaveFormerPassword(const QString &formerKey, const QString &newKey);
    void showUrlNote();
    void askStore(const QString &key);
    void showStoreSentence(const QString &sentence);

    QCheckBox *m_enabled;
    QLineEdit *m_url;
    QLabel *m_urlNote;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLabel *m_storeNote;
    QLabel *m_lastResult;
    QPushButton *m_replace;
    CalDavAccount m_stored; // as the page was entered, or last stored
};

#endif // PAYVANE_CALDAVSECTION_H
