#ifndef PAYVANE_COMMANDLINKICONSTYLE_H
#define PAYVANE_COMMANDLINKICONSTYLE_H

#include <QIcon>
#include <QProxyStyle>

// The application's own style, but with the arrow that every command-link
// button asks for in its constructor looked up once. The lookup searches the
// icon theme's folders each time, which made up a sixth of building a long
// reminder list; the buttons then show icons of their own anyway.
class CommandLinkIconStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Puts the application's style behind this one, once; a style that
    // cannot be made again by name is left alone.
    static void installOnApplication();

    [[nodiscard]] QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                                     const QWidget *widget = nullptr) const override;

private:
    explicit CommandLinkIconStyle(QStyle *base);

    // One per layout direction: the arrow points the way the text runs.
    mutable QIcon leftToRight;
    mutable QIcon rightToLeft;
};

#endif // PAYVANE_COMMANDLINKICONSTYLE_H
