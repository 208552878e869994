#pragma once

#include <QAbstractButton>

// The maker's logo at the end of the button row: a picture without a frame
// that a left click, Space or Enter activates, and that shows when it has the
// keyboard focus.
class LogoButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit LogoButton(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
