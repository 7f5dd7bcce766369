#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1.2"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tervona.example"));

    MainWindow window;
    window.show();
    return app.exec();
}
