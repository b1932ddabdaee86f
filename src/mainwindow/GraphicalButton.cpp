#include "mainwindow/GraphicalButton.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace velmora {

namespace {

// Two-pixel bevel: outer and inner lines for the top-left and the bottom-right edges.
void drawBevel(QPainter& painter, const QRect& r, bool sunken, const QPalette& palette) {
    const QColor light = palette.color(QPalette::Light);
    const QColor shadow = palette.color(QPalette::Dark);
    const QColor dark = palette.color(QPalette::Shadow);
    auto frame = [&painter](const QRect& box, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(box.topLeft(), box.topRight());
        painter.drawLine(box.topLeft(), box.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(box.bottomLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomRight());
    };
    if (sunken) {
        frame(r, dark, dark);
        frame(r.adjusted(1, 1, -1, -1), shadow, shadow);
    } else {
        frame(r, light, dark);
        frame(r.adjusted(1, 1, -1, -1), light, shadow);
    }
}

} // namespace

GraphicalButton::GraphicalButton(QWidget* parent) : QPushButton(parent), m_face(palette().color(QPalette::Button)) {}

void GraphicalButton::setFaceColour(const QColor& colour) {
    m_face = colour;
    update();
}

void GraphicalButton::setPicture(const QPixmap& picture) {
    m_picture = picture;
    update();
}

void GraphicalButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    const bool sunken = isDown() || isChecked();
    painter.fillRect(r, m_face);
    drawBevel(painter, r.adjusted(0, 0, -1, -1), sunken, palette());

    // The content moves one pixel right and down while the button is held.
    const int shift = sunken ? 1 : 0;
    const QRect inner = r.adjusted(3 + shift, 3 + shift, -3 + shift, -3 + shift);
    const QFontMetrics metrics(font());
    const int textHeight = text().isEmpty() ? 0 : metrics.height();
    int top = inner.top() + (inner.height() - textHeight) / 2;
    if (!m_picture.isNull()) {
        const QSize size = m_picture.deviceIndependentSize().toSize();
        const int gap = textHeight > 0 ? 1 : 0;
        top = inner.top() + (inner.height() - size.height() - gap - textHeight) / 2;
        painter.drawPixmap(QRect(QPoint(inner.left() + (inner.width() - size.width()) / 2, top), size), m_picture);
        top += size.height() + gap;
    }
    if (textHeight > 0) {
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(QRect(inner.left(), top, inner.width(), textHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, text());
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = r.adjusted(4, 4, -4, -4);
        option.backgroundColor = m_face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace velmora
