#pragma once

#include <QAbstractButton>

// The click area over the colour swatch (Image1): drawn as nothing, so the
// swatch below shows through, but a button to the keyboard and to assistive
// technology. Tab reaches it (a click does not move the focus there, so the
// mouse user sees the swatch as before); Space or Enter presses it.
class ColorSwatchButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ColorSwatchButton(QWidget *parent);

    // The colour the swatch shows: told to assistive technology in words, and
    // what the focus must stand out against.
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QColor m_color;
};
