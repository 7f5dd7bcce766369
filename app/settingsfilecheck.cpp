#include "settingsfilecheck.h"

#include <settingsfiles.h>

#include <QCoreApplication>
#include <QMessageBox>

#include <cstdio>

void setAsideSpecialSettingsFiles()
{
    const QStringList sentences = setAsideSpecialFiles(
        nativeSettingsFiles(QCoreApplication::organizationName(), QCoreApplication::applicationName()));
    const QStringList arguments = QCoreApplication::arguments();
    const bool interactive = arguments.size() < 2 || arguments.at(1) != QLatin1String("auto");
    for (const QString &sentence : sentences) {
        std::fprintf(stderr, "%s\n", qPrintable(sentence));
        if (!interactive)
            continue;
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Payvane"), sentence, QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}
