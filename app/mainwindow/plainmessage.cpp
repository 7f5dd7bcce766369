#include "plainmessage.h"

#include <QDir>

void showPlainMessage(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
