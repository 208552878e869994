#pragma once

#include <QWidget>

class QFrame;
class QTimer;

// The splash screen shown while the main window loads. Its timer, a key
// that types a character, or a click on its frame ends it, whichever comes
// first; finished() is emitted exactly once.
class SplashScreen : public QWidget
{
    Q_OBJECT

public:
    static constexpr int DisplayMilliseconds = 500;

    explicit SplashScreen(const QIcon &logo, QWidget *parent = nullptr);

    bool isFinished() const { return m_finished; }

Q_SIGNALS:
    void finished();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish();

    QFrame *m_frame;
    QTimer *m_timer;
    bool m_finished = false;
};
