#pragma once

#include <QStatusBar>

class QLabel;

// The status bar of a browser window: panel 1 the load state, panel 2 the
// progress, panels 3 and 4 the time and the date, which it keeps current.
class BrowserStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit BrowserStatusBar(QWidget *parent = nullptr);

    // Panels are numbered from 1.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);

private:
    void updateClock();

    QLabel *m_panels[4] = {};
};
