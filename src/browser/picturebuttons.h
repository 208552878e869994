#pragma once

#include <QWidget>

class QPushButton;

// The picture buttons at the top left of a browser window: Go Back
// (Command1), Go Forward, Stop, Reload, Go Home and Send Email (Command6).
// Each reports its click; the window decides what it does.
class PictureButtons : public QWidget
{
    Q_OBJECT

public:
    // Where the row stands in a browser window's client area, in twips.
    static constexpr int Left = 120;
    static constexpr int Top = 120;

    explicit PictureButtons(QWidget *parent = nullptr);

    // Back and Forward start disabled and, once enabled, stay so.
    void enableBack();
    void enableForward();
    void setStopEnabled(bool enabled);

    // Back to Home in the window's tab order; Send Email comes last of all.
    QList<QWidget *> navigationTabChain() const;
    QWidget *sendMailButton() const;

Q_SIGNALS:
    void backClicked();
    void forwardClicked();
    void stopClicked();
    void reloadClicked();
    void homeClicked();
    void sendMailClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPushButton *m_back;
    QPushButton *m_forward;
    QPushButton *m_stop;
    QPushButton *m_reload;
    QPushButton *m_home;
    QPushButton *m_sendMail;
};
