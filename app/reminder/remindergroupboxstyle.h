#ifndef PAYVANE_REMINDERGROUPBOXSTYLE_H
#define PAYVANE_REMINDERGROUPBOXSTYLE_H

#include <QProxyStyle>

// The look of the reminder items' group boxes: a light blue rounded box with
// its title centred on the top edge. Drawn in code rather than by a style
// sheet, which would give every widget inside every item a style of its own
// to resolve, the bulk of the cost of a window with many items. One
// instance serves all items; it changes nothing but the group box itself.
class ReminderGroupBoxStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // The one instance, owned by the application.
    [[nodiscard]] static ReminderGroupBoxStyle *instance();

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;
    [[nodiscard]] QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                                       SubControl subControl,
                                       const QWidget *widget = nullptr) const override;

private:
    ReminderGroupBoxStyle() = default;
};

#endif // PAYVANE_REMINDERGROUPBOXSTYLE_H
