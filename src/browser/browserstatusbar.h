#pragma once

#include <QStatusBar>

class QLabel;

// The status bar of a browser window: the load state, the progress, and the
// time and the date, which it keeps current itself.
class BrowserStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit BrowserStatusBar(QWidget *parent = nullptr);

    QString statusText() const;
    void setStatusText(const QString &text);
    QString progressText() const;
    void setProgressText(const QString &text);
    QString timeText() const;
    QString dateText() const;

private:
    void updateClock();

    QLabel *m_status;
    QLabel *m_progress;
    QLabel *m_time;
    QLabel *m_date;
};
