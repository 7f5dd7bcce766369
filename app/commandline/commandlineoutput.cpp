#include "commandlineoutput.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>

bool writeStandardOutput(const QByteArray &bytes, QString *errorString)
{
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle)) {
        *errorString = out.errorString();
        return false;
    }
    if (out.write(bytes) != bytes.size()) {
        *errorString = out.errorString();
        return false;
    }
    return true;
}

void printErrorLine(const QString &text)
{
    QString line = QStringLiteral("Payvane: ") + text;
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char('?');
    }
    line += QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stderr);
}
