#ifndef PAYVANE_WINDOWNOTIFIER_H
#define PAYVANE_WINDOWNOTIFIER_H

#include <QList>
#include <QPointer>
#include <QWidget>

// A window that is never shown and only receives the window manager's
// broadcast of a composition change, so glass windows follow the change.
class WindowNotifier : public QWidget
{
    Q_OBJECT

public:
    WindowNotifier();
    ~WindowNotifier() override;

    // The widgets given the glass frame, in that order. Guarded: a widget
    // destroyed meanwhile reads as null and is skipped.
    QList<QPointer<QWidget>> glassWidgets;

    // Switches the system background of every live glass widget to the
    // composition state and repaints it.
    void compositionChanged();

    // A message of the window manager, by its number: a composition change
    // (0x031E) runs compositionChanged(); any other number does nothing.
    void windowManagerMessage(unsigned int message);

protected:
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
};

#endif // PAYVANE_WINDOWNOTIFIER_H
