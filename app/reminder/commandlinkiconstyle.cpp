#include "commandlinkiconstyle.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOption>

CommandLinkIconStyle::CommandLinkIconStyle(QStyle *base)
    : QProxyStyle(base)
{
}

void CommandLinkIconStyle::installOnApplication()
{
    QStyle *current = QApplication::style();
    if (!current || qobject_cast<CommandLinkIconStyle *>(current))
        return;
    // A fresh instance of the same style: the proxy owns its base, and the
    // application deletes the style it replaces.
    QStyle *base = QStyleFactory::create(current->name());
    if (!base)
        return;
    QApplication::setStyle(new CommandLinkIconStyle(base));
}

QIcon CommandLinkIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                                         const QWidget *widget) const
{
    if (standardIcon != SP_CommandLink)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    const Qt::LayoutDirection direction = option ? option->direction : QApplication::layoutDirection();
    QIcon &cached = direction == Qt::RightToLeft ? rightToLeft : leftToRight;
    if (cached.isNull())
        cached = QProxyStyle::standardIcon(standardIcon, option, widget);
    return cached;
}
