#include "caldavsection.h"

#include "caldavaccount.h"
#include "caldavpassword.h"
#include "plainmessage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

QLabel *noteLabel(QWidget *parent, const QString &objectName)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    // Sentences that quote the user's or a server's text.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QLineEdit *lineEdit(QWidget *parent, const QString &objectName, int maxLength)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setMaxLength(maxLength);
    return edit;
}

void setNote(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

} // namespace

CalDavSection::CalDavSection(QWidget *parent)
    : QGroupBox(QStringLiteral("CalDAV Calendar"), parent)
    , m_enabled(new QCheckBox(QStringLiteral("&Publish to a CalDAV calendar"), this))
    , m_url(lineEdit(this, QStringLiteral("caldavUrlEdit"), CalDavAccount::MaximumUrlLength))
    , m_urlNote(noteLabel(this, QStringLiteral("caldavUrlNoteLabel")))
    , m_user(lineEdit(this, QStringLiteral("caldavUserEdit"), CalDavAccount::MaximumUserLength))
    , m_password(lineEdit(this, QStringLiteral("caldavPasswordEdit"), 1024))
    , m_storeNote(noteLabel(this, QStringLiteral("caldavStoreLabel")))
    , m_lastResult(noteLabel(this, QStringLiteral("caldavResultLabel")))
    , m_replace(new QPushButton(QStringLiteral("&Replace the calendar's versions"), this))
{
    setObjectName(QStringLiteral("caldavGroupBox"));
    m_enabled->setObjectName(QStringLiteral("caldavCheckBox"));
    m_url->setPlaceholderText(QStringLiteral("https://example.org/dav/calendars/me/bills/"));
    m_password->setEchoMode(QLineEdit::Password);
    m_replace->setObjectName(QStringLiteral("caldavReplaceButton"));

    auto *urlLabel = new QLabel(QStringLiteral("Calendar &URL:"), this);
    urlLabel->setBuddy(m_url);
    auto *userLabel = new QLabel(QStringLiteral("User &name:"), this);
    userLabel->setBuddy(m_user);
    auto *passwordLabel = new QLabel(QStringLiteral("Pass&word:"), this);
    passwordLabel->setBuddy(m_password);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_enabled, 0, 0, 1, 2);
    layout->addWidget(urlLabel, 1, 0);
    layout->addWidget(m_url, 1, 1);
    layout->addWidget(m_urlNote, 2, 1);
    layout->addWidget(userLabel, 3, 0);
    layout->addWidget(m_user, 3, 1);
    layout->addWidget(passwordLabel, 4, 0);
    layout->addWidget(m_password, 4, 1);
    layout->addWidget(m_storeNote, 5, 0, 1, 2);
    layout->addWidget(m_lastResult, 6, 0, 1, 2);
    layout->addWidget(m_replace, 7, 0, 1, 2, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);

    connect(m_replace, &QPushButton::clicked, this, &CalDavSection::askReplace);
    connect(m_url, &QLineEdit::textChanged, this, &CalDavSection::showUrlNote);
    connect(m_enabled, &QCheckBox::toggled, this, [this](bool on) {
        showUrlNote();
        // Whether a store keeps the password matters once publishing is on.
        if (on)
            askStore(m_stored.passwordKey());
    });
    setNote(m_storeNote, QString());
    showLastResult();
}

QList<QWidget *> CalDavSection::tabChain() const
{
    return {m_enabled, m_url, m_user, m_password, m_replace};
}

void CalDavSection::showStored()
{
    m_stored = CalDavAccount::stored();
    const CalDavAccount &account = m_stored;
    const QSignalBlocker quiet(m_enabled);
    m_enabled->setChecked(account.enabled);
    m_url->setText(account.url);
    m_user->setText(account.user);
    m_password->clear();
    m_password->setPlaceholderText(QString());
    showUrlNote();
    showLastResult();
    // Asked only for an account in use: no store is bothered otherwise.
    if (account.enabled)
        askStore(account.passwordKey());
}

void CalDavSection::storeChoices()
{
    CalDavAccount account;
    account.enabled = m_enabled->isChecked();
    account.url = m_url->text().trimmed();
    account.user = m_user->text().trimmed();
    const QString problem = CalDavAccount::urlProblem(account.url);
    if (account.enabled && !problem.isEmpty()) {
        account.enabled = false;
        showPlainMessage(QMessageBox::Warning, QStringLiteral("CalDAV Calendar"),
                         QStringLiteral("Publishing to the CalDAV calendar stays off. %1").arg(problem));
    }
    account.store();

    const CalDavAccount former = m_stored;
    m_stored = account;
    if (account.passwordKey() != former.passwordKey() && !former.url.isEmpty())
        leaveFormerPassword(former.passwordKey(), account.url.isEmpty() ? QString() : account.passwordKey());
    if (m_password->text().isEmpty() || account.url.isEmpty())
        return;
    auto *password = new CalDavPassword(account.passwordKey(), this);
    connect(password, &CalDavPassword::writeFinished, this, [this, password] {
        showStoreSentence(password->storeSentence());
        password->deleteLater();
    });
    password->write(m_password->text());
    m_password->clear();
}

void CalDavSection::leaveFormerPassword(const QString &formerKey, const QString &newKey)
{
    // A password filed under the account's former URL or name is no longer
    // used; a corrected URL keeps it unless a new one was typed.
    auto *former = new CalDavPassword(formerKey, this);
    const bool keep = !newKey.isEmpty() && m_password->text().isEmpty();
    connect(former, &CalDavPassword::readFinished, this, [this, former, newKey, keep](const QString &known) {
        if (keep && !known.isEmpty()) {
            auto *moved = new CalDavPassword(newKey, this);
            connect(moved, &CalDavPassword::writeFinished, moved, &QObject::deleteLater);
            moved->write(known);
        }
        connect(former, &CalDavPassword::removeFinished, former, &QObject::deleteLater);
        former->remove();
    });
    former->read();
}

void CalDavSection::showLastResult()
{
    const QString result = CalDavAccount::lastResult();
    m_lastResult->setText(result.isEmpty() ? QStringLiteral("Nothing has been published yet.") : result);
    m_replace->setEnabled(CalDavAccount::differingCount() > 0);
}

void CalDavSection::askReplace()
{
    const int count = CalDavAccount::differingCount();
    if (count <= 0)
        return;
    const QString bills = count == 1 ? QStringLiteral("1 bill") : QStringLiteral("%1 bills").arg(count);
    QMessageBox box(QMessageBox::Question, QStringLiteral("CalDAV Calendar"),
                    QStringLiteral("Replace the calendar's versions of %1 with Payvane's? The changes made in the "
                                   "calendar are lost.")
                        .arg(bills),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    // Losing the calendar's changes is never the answer to a stray Enter.
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes)
        emit replaceRequested();
}

void CalDavSection::showUrlNote()
{
    const QString url = m_url->text();
    // An empty URL is only a problem once publishing is on.
    if (url.trimmed().isEmpty() && !m_enabled->isChecked()) {
        setNote(m_urlNote, QString());
        return;
    }
    const QString problem = CalDavAccount::urlProblem(url);
    setNote(m_urlNote, problem.isEmpty() ? CalDavAccount::urlWarning(url) : problem);
}

void CalDavSection::askStore(const QString &key)
{
    auto *password = new CalDavPassword(key, this);
    connect(password, &CalDavPassword::readFinished, this, [this, password](const QString &known) {
        showStoreSentence(password->storeSentence());
        if (password->key() == m_stored.passwordKey() && m_password->text().isEmpty()) {
            m_password->setPlaceholderText(known.isEmpty() ? QString()
                                           : password->store() == CalDavPassword::Store::Runs
                                               ? QStringLiteral("Kept in the secret store")
                                               : QStringLiteral("Kept until Payvane ends"));
        }
        password->deleteLater();
    });
    password->read();
}

void CalDavSection::showStoreSentence(const QString &sentence)
{
    setNote(m_storeNote, sentence);
}
