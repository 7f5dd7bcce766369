#ifndef PAYVANE_REMINDERITEM_H
#define PAYVANE_REMINDERITEM_H

#include <QWidget>

struct Event;
class QCommandLinkButton;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QRadioButton;
class QSpacerItem;
class QSpinBox;
class QTimer;
class QVBoxLayout;

// The panel for one due bill in the reminder window: a sentence saying when
// it is due and an options panel, sliding open and shut, that decides when
// to remind again. Building it marks the bill as shown today; the choices are
// written into the record at once (the window saves the list).
class ReminderItem : public QWidget
{
    Q_OBJECT

public:
    // The record stays owned by the window's list.
    explicit ReminderItem(Event *event);
    ~ReminderItem() override;

protected:
    void resizeEvent(QResizeEvent *resize) override;

signals:
    // The options panel came to rest, open or closed.
    void resized();
    // One animation step: the panel grew by change pixels (negative: shrank).
    void resized(int change);

private slots:
    void on_acceptButton_clicked();
    void on_cancelButton_clicked();
    void doAnimation();

private:
    void buildSentence(QDate next, qint64 days);
    void buildButtons();
    void buildOptions(qint64 days);
    void toggleOptions();
    void preselectChoice();
    [[nodiscard]] qint64 daysToNextOccurrence() const;
    [[nodiscard]] QString titleText(const QString &name) const;

    static constexpr int MaximumTitleWidth = 260; // pixels

    Event *event;
    QVBoxLayout *mainLayout;
    QGroupBox *groupBox;
    QVBoxLayout *groupLayout;
    QLabel *textLabel;
    QHBoxLayout *buttonLayout;
    QSpacerItem *buttonSpacer;
    QCommandLinkButton *acceptButton;
    QCommandLinkButton *cancelButton;
    QHBoxLayout *againLayout;
    QRadioButton *againRadioButton;
    QSpinBox *againSpinBox;
    QLabel *daysLabel;
    QSpacerItem *againSpacer;
    QRadioButton *nextRadioButton;
    QRadioButton *neverRadioButton;
    QTimer *animationTimer;
    QWidget *optionsPanel;
    QVBoxLayout *optionsLayout;
    int lastPanelHeight = 0;
    bool optionsOpen = false;
};

#endif // PAYVANE_REMINDERITEM_H
