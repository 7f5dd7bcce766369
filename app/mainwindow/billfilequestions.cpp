#include "billfilequestions.h"

#include "event.h"
#include "plainmessage.h"

#include <QHash>
#include <QMessageBox>
#include <QPushButton>

BillChoice BillFileQuestions::whichBillToKeep(const BillConflict &conflict)
{
    // Names are shown as they are, never as markup.
    const QString name = conflict.base->name;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Bill Changed Twice"), QString(), QMessageBox::NoButton);
    box.setTextFormat(Qt::PlainText);
    QHash<QAbstractButton *, BillChoice> choices;
    const auto addChoice = [&](const QString &text, QMessageBox::ButtonRole role, BillChoice choice) {
        QPushButton *button = box.addButton(text, role);
        choices.insert(button, choice);
        return button;
    };
    if (!conflict.ours) {
        box.setText(QStringLiteral("You removed the bill %1, but it was changed meanwhile in your bill file, by "
                                   "another program. Remove it anyway?").arg(name));
        box.setDefaultButton(addChoice(QStringLiteral("Remove"), QMessageBox::AcceptRole, BillChoice::Ours));
        addChoice(QStringLiteral("Keep"), QMessageBox::RejectRole, BillChoice::Theirs);
    } else if (!conflict.theirs) {
        box.setText(QStringLiteral("You changed the bill %1, but it was removed meanwhile from your bill file, by "
                                   "another program. Keep your version?").arg(name));
        box.setDefaultButton(addChoice(QStringLiteral("Keep Mine"), QMessageBox::AcceptRole, BillChoice::Ours));
        addChoice(QStringLiteral("Remove"), QMessageBox::RejectRole, BillChoice::Theirs);
    } else {
        box.setText(QStringLiteral("The bill %1 was changed here and, meanwhile, in your bill file, by another "
                                   "program. Which changes do you want to keep?").arg(name));
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
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Save Bills"),
                    QStringLiteral("Your bills could not be saved to %1 (%2): close anyway and lose "
                                   "the changes?")
                        .arg(nativePath(path), reason));
    box.setTextFormat(Qt::PlainText);
    QPushButton *closeButton = box.addButton(QStringLiteral("Close Anyway"), QMessageBox::DestructiveRole);
    QPushButton *stayButton = box.addButton(QStringLiteral("Stay Open"), QMessageBox::RejectRole);
    box.setDefaultButton(stayButton);
    box.exec();
    return box.clickedButton() == closeButton;
}
