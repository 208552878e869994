#pragma once

#include <QWidget>

// "Form5": the web server's help text.
class ServerHelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ServerHelpWindow(QWidget *parent = nullptr);

    // Eight lines, each ended by CR LF.
    static QString helpText();
};
