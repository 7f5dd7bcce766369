// The yardstick for the start-up time: a program that only builds the
// application object and ends.

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return 0;
}
