#include "webserver/serverhelpwindow.h"

#include "core/windownames.h"
#include "platform/twips.h"

#include <QPlainTextEdit>
#include <QTextDocument>

ServerHelpWindow::ServerHelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QLatin1String(WindowNames::WebServerHelp));
    setWindowTitle(tr("Web Server Help"));
    setFixedSize(Twips::toPixels(4680), Twips::toPixels(2400));

    auto *text = new QPlainTextEdit(helpText(), this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setGeometry(Twips::toRect(0, 0, 4695, 2415));
    text->setFont(QFont(QStringLiteral("Arial"), 12, QFont::Bold));
    // The eight lines just fit the box, as drawn. Scroll bars (the empty line
    // after the last line break would bring one) or wider margins would wrap
    // the longest line and push the last one out of sight.
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->document()->setDocumentMargin(2);
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
