#include "errordialog.h"

#include <QApplication>
#include <QFile>

// Started by the crash handler as: Exception <product> <version> <dump path>.
int main(int argc, char *argv[])
{
    // Started any other way: leave quietly, touching no file.
    if (argc != 4)
        return 0;

    // Taken before the application object exists, and kept from it, so an
    // argument that looks like one of Qt's own options stays ours.
    const QString product = QString::fromLocal8Bit(argv[1]);
    const QString version = QString::fromLocal8Bit(argv[2]);
    const QString dumpPath = QFile::decodeName(argv[3]);
    int applicationArgc = 1;
    QApplication app(applicationArgc, argv);

    auto *dialog = new ErrorDialog(product, version, dumpPath);
    dialog->show();
    const int result = QApplication::exec();
    // Its destructor removes the dump.
    delete dialog;
    return result;
}
