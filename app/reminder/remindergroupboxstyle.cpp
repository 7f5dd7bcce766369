#include "remindergroupboxstyle.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleOptionGroupBox>

namespace {

// The box sits below room for the title's upper half.
constexpr int boxTop = 7;
constexpr int borderWidth = 1;
constexpr qreal borderRadius = 5;
// Between the top border and the first row.
constexpr int paddingTop = 7;
// Around the title's text.
constexpr int titlePaddingVertical = 5;
constexpr int titlePaddingHorizontal = 3;
// The border stops this far from either end of the title's text.
constexpr int titleGap = 5;
// The title sits this far right of the centre, as it always has.
constexpr int titleOffset = 2;

QColor boxColour()
{
    return QColor(228, 238, 249, 200);
}

QColor borderColour()
{
    return QColor(141, 178, 227);
}

} // namespace

ReminderGroupBoxStyle *ReminderGroupBoxStyle::instance()
{
    // Gone with the application that owned it; a later one makes its own.
    static QPointer<ReminderGroupBoxStyle> style;
    if (!style) {
        style = new ReminderGroupBoxStyle;
        style->setParent(qApp);
    }
    return style;
}

QRect ReminderGroupBoxStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                                            SubControl subControl, const QWidget *widget) const
{
    const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
    if (control != CC_GroupBox || !box)
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    const QRect rect = box->rect;
    switch (subControl) {
    case SC_GroupBoxFrame:
        return rect.adjusted(0, boxTop, 0, 0);
    case SC_GroupBoxContents:
        return rect.adjusted(borderWidth, boxTop + borderWidth + paddingTop, -borderWidth, -borderWidth);
    case SC_GroupBoxLabel: {
        const QSize text(box->fontMetrics.horizontalAdvance(box->text), box->fontMetrics.height());
        const QSize title = text + QSize(2 * titlePaddingHorizontal, 2 * titlePaddingVertical);
        const int left = rect.left() + (rect.width() - title.width()) / 2 + titleOffset;
        const QRect titleBox(QPoint(left, rect.top()), title);
        return titleBox.adjusted(titlePaddingHorizontal, titlePaddingVertical, -titlePaddingHorizontal,
                                 -titlePaddingVertical);
    }
    default:
        return {};
    }
}

void ReminderGroupBoxStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                               QPainter *painter, const QWidget *widget) const
{
    const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
    if (control != CC_GroupBox || !box) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QRectF frame = QRectF(subControlRect(control, option, SC_GroupBoxFrame, widget))
                             .adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(frame, borderRadius, borderRadius);
    painter->fillPath(path, boxColour());
    const QRect label = box->text.isEmpty() ? QRect()
                                            : subControlRect(control, option, SC_GroupBoxLabel, widget);
    if (!label.isNull()) {
        // The title interrupts the border; the box's colour runs on behind it.
        const QRect gap = label.adjusted(-titleGap, -titlePaddingVertical, titleGap, titlePaddingVertical);
        painter->setClipRegion(QRegion(box->rect) - gap);
    }
    painter->setPen(QPen(borderColour(), borderWidth));
    painter->drawPath(path);
    painter->restore();

    if (!label.isNull())
        drawItemText(painter, label, Qt::AlignCenter | Qt::TextShowMnemonic, box->palette,
                     box->state & State_Enabled, box->text, QPalette::WindowText);
}
