#include "billfilequestions.h"

#include "event.h"
#include "plainmessage.h"

#include <QHash>
#include <QMessageBox>
#include <QPushButton>

namespace {

struct Choice
{
    QString text;
    QMessageBox::ButtonRole role;
};

// Asks in a box of plain text (paths and names are never markup); the
// index of the choice taken, -1 when none was.
int ask(QMessageBox::Icon icon, const QString &title, const QString &text, const QList<Choice> &choices,
        int defaultChoice)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton);
    box.setTextFormat(Qt::PlainText);
    QList<QAbstractButton *> buttons;
    for (const Choice &choice : choices)
        buttons.append(box.addButton(choice.text, choice.role));
    box.setDefaultButton(qobject_cast<QPushButton *>(buttons.at(defaultChoice)));
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}

} // namespace

BillChoice BillFileQuestions::whichBillToKeep(const BillConflict &conflict)
{
    return askWhichBill(conflict,
                        {QStringLiteral("You removed the bill %1, but it was changed meanwhile in your bill file, by "
                                        "another program. Remove it anyway?"),
                         QStringLiteral("You changed the bill %1, but it was removed meanwhile from your bill file, by "
                                        "another program. Keep your version?"),
                         QStringLiteral("The bill %1 was changed here and, meanwhile, in your bill file, by another "
                                        "program. Which changes do you want to keep?")},
                        QString());
}

BillChoice BillFileQuestions::whichBillToKeepFrom(const BillConflict &conflict, const QString &otherPath)
{
    return askWhichBill(conflict,
                        {QStringLiteral("You removed the bill %1, but %2 holds it changed. Remove it anyway?"),
                         QStringLiteral("You changed the bill %1, but %2 no longer holds it. Keep your version?"),
                         QStringLiteral("The bill %1 differs between your list and %2. Which version do you want "
                                        "to keep?")},
                        nativePath(otherPath));
}

BillChoice BillFileQuestions::askWhichBill(const BillConflict &conflict, const ConflictTexts &texts,
                                           const QString &copy)
{
    // One pass fills both, so a name never brings in a placeholder of its own.
    const auto sentence = [&](const QString &text) {
        return copy.isEmpty() ? text.arg(conflict.base->name) : text.arg(conflict.base->name, copy);
    };
    // Names are shown as they are, never as markup.
    QMessageBox box(QMessageBox::Question, QStringLiteral("Bill Changed Twice"), QString(), QMessageBox::NoButton);
    box.setTextFormat(Qt::PlainText);
    QHash<QAbstractButton *, BillChoice> choices;
    const auto addChoice = [&](const QString &text, QMessageBox::ButtonRole role, BillChoice choice) {
        QPushButton *button = box.addButton(text, role);
        choices.insert(button, choice);
        return button;
    };
    if (!conflict.ours) {
        box.setText(sentence(texts.removedHere));
        box.setDefaultButton(addChoice(QStringLiteral("Remove"), QMessageBox::AcceptRole, BillChoice::Ours));
        addChoice(QStringLiteral("Keep"), QMessageBox::RejectRole, BillChoice::Theirs);
    } else if (!conflict.theirs) {
        box.setText(sentence(texts.removedThere));
        box.setDefaultButton(addChoice(QStringLiteral("Keep Mine"), QMessageBox::AcceptRole, BillChoice::Ours));
        addChoice(QStringLiteral("Remove"), QMessageBox::RejectRole, BillChoice::Theirs);
    } else {
        box.setText(sentence(texts.changedBoth));
        QPushButton *both = conflict.separateChanges
                                ? addChoice(QStringLiteral("Keep Both"), QMessageBox::AcceptRole, BillChoice::Both)
                                : nullptr;
        QPushButton *mine = addChoice(QStringLiteral("Keep Mine"), QMessageBox::AcceptRole, BillChoice::Ours);
        addChoice(QStringLiteral("Keep the Other"), QMessageBox::RejectRole, BillChoice::Theirs);
        box.setDefaultButton(both ? both : mine);
    }
    box.exec();
    return choices.value(box.clickedButton(), BillChoice::Ours);
}

bool BillFileQuestions::closeWithoutSaving(const QString &path, const QString &reason)
{
    return ask(QMessageBox::Warning, QStringLiteral("Save Bills"),
               QStringLiteral("Your bills could not be saved to %1 (%2): close anyway and lose the changes?")
                   .arg(nativePath(path), reason),
               {{QStringLiteral("Close Anyway"), QMessageBox::DestructiveRole},
                {QStringLiteral("Stay Open"), QMessageBox::RejectRole}},
               1)
           == 0;
}

BillFileQuestions::CopyAnswer BillFileQuestions::whatToDoWithCopy(const QString &copyPath)
{
    const int answer =
        ask(QMessageBox::Question, QStringLiteral("Conflict Copy"),
            QStringLiteral("A sync program left %1 beside your bill file: the bills as another machine saved "
                           "them while this one saved its own. Merge its changes into your list now?")
                .arg(nativePath(copyPath)),
            {{QStringLiteral("Merge"), QMessageBox::AcceptRole},
             {QStringLiteral("Later"), QMessageBox::RejectRole},
             {QStringLiteral("Delete"), QMessageBox::DestructiveRole}},
            0);
    if (answer == 0)
        return CopyAnswer::Merge;
    return answer == 2 ? CopyAnswer::Delete : CopyAnswer::Later;
}

bool BillFileQuestions::deleteCopyForGood(const QString &copyPath)
{
    return ask(QMessageBox::Warning, QStringLiteral("Delete Conflict Copy"),
               QStringLiteral("Delete %1 for good? Whatever the other machine changed in it and your list "
                              "lacks is lost.")
                   .arg(nativePath(copyPath)),
               {{QStringLiteral("Delete"), QMessageBox::DestructiveRole},
                {QStringLiteral("Keep"), QMessageBox::RejectRole}},
               1)
           == 0;
}

BillFileQuestions::ExistingBillsAnswer BillFileQuestions::whatToDoWithExistingBills(const QString &path)
{
    const int answer =
        ask(QMessageBox::Question, QStringLiteral("Data Folder"),
            QStringLiteral("The folder already holds a bill file, %1, perhaps your other machine's. Merge "
                           "your bills into it, or use it as it is? Your own files stay where they are "
                           "either way.")
                .arg(nativePath(path)),
            {{QStringLiteral("Merge"), QMessageBox::AcceptRole},
             {QStringLiteral("Use As It Is"), QMessageBox::AcceptRole},
             {QStringLiteral("Cancel"), QMessageBox::RejectRole}},
            2);
    if (answer == 0)
        return ExistingBillsAnswer::Merge;
    return answer == 1 ? ExistingBillsAnswer::UseAsItIs : ExistingBillsAnswer::Cancel;
}
