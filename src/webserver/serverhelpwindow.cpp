#include "webserver/serverhelpwindow.h"

#include "core/windownames.h"
#include "ui/placement.h"

#include <QPlainTextEdit>
#include <QTextDocument>

ServerHelpWindow::ServerHelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QLatin1String(WindowNames::WebServerHelp));
    setWindowTitle(tr("Web Server Help"));
    setFixedSize(Twips::toPixels(4680), Twips::toPixels(2400));

    auto *text = placeControl(new QPlainTextEdit(helpText(), this), "Text1", {0, 0, 4695, 2415});
    text->setFont(arialFont(12, true));
    // The eight lines just fit the box, as drawn. Scroll bars (the empty line
    // after the last line break would bring one) or wider margins would wrap
    // the longest line and push the last one out of sight.
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->document()->setDocumentMargin(2);
    // No label names the text; a screen reader calls it what the caption
    // does.
    text->setAccessibleName(windowTitle());
}

QString ServerHelpWindow::helpText()
{
    return tr("In order for the web server to work \r\n"
              "properly, you must move all of \r\n"
              "your web pages into the Wavecrest \r\n"
              "directory. Then just hit \"start\" \r\n"
              "and tell all your friends and co-workers \r\n"
              "your IP adress. Your web page will be \r\n"
              "accessable as long as the web server is \r\n"
              "running.\r\n");
}
