#ifndef PAYVANE_PLAINMESSAGE_H
#define PAYVANE_PLAINMESSAGE_H

#include <QMessageBox>
#include <QString>

// The main window's one-sentence message boxes have no parent and run
// modally. Their sentences carry bill and file names, which are shown as
// they are, never as markup.
void showPlainMessage(QMessageBox::Icon icon, const QString &title, const QString &text);

// A path as the user's system writes it, for those sentences.
[[nodiscard]] QString nativePath(const QString &path);

#endif // PAYVANE_PLAINMESSAGE_H
