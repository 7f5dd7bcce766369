#include "caldavpasswordprompt.h"

#include "caldavpassword.h"

#include <QInputDialog>
#include <QLabel>
#include <QUrl>

CalDavPasswordPrompt::CalDavPasswordPrompt(const CalDavAccount &account, QWidget *parent)
    : QObject(parent)
    , m_account(account)
    , m_window(parent)
    , m_password(new CalDavPassword(account.passwordKey(), this))
{
    connect(m_password, &CalDavPassword::readFinished, this, [this](const QString &known) {
        if (known.isEmpty())
            ask();
        else
            emit obtained(known);
    });
}

void CalDavPasswordPrompt::obtain()
{
    m_password->read();
}

void CalDavPasswordPrompt::ask()
{
    QInputDialog dialog(m_window);
    dialog.setWindowTitle(QStringLiteral("CalDAV Calendar"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Password);
    const QString host = QUrl(m_account.url.trimmed()).host();
    dialog.setLabelText(m_account.user.isEmpty()
                            ? QStringLiteral("The password of the calendar on %1:").arg(host)
                            : QStringLiteral("The password of %1 for the calendar on %2:").arg(m_account.user, host));
    // The name and the host are the user's text, shown as typed.
    for (QLabel *label : dialog.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted || dialog.textValue().isEmpty()) {
        emit declined();
        return;
    }
    const QString given = dialog.textValue();
    m_password->write(given);
    emit obtained(given);
}
