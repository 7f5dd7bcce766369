// The yardstick for the command line's fixed cost: a program that only
// builds the core application object and ends.

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return 0;
}
