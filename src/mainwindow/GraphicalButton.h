#pragma once

#include <QColor>
#include <QPixmap>
#include <QPushButton>

namespace velmora {

// A command button in the graphical style: it fills its face with its own colour and draws its
// picture centred above the caption (the caption alone is centred when there is no picture), inside a
// raised bevel that sinks while the button is pressed.
class GraphicalButton : public QPushButton {
    Q_OBJECT
public:
    explicit GraphicalButton(QWidget* parent = nullptr);

    void setFaceColour(const QColor& colour);
    QColor faceColour() const { return m_face; }
    void setPicture(const QPixmap& picture);
    const QPixmap& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_face;
    QPixmap m_picture;
};

} // namespace velmora
