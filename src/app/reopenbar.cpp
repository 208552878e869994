#include "app/reopenbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

ReopenBar::ReopenBar(const QStringList &addresses, QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("ReopenBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);

    QStringList pages = addresses;
    pages.removeAll(QString());
    auto *message = new QLabel(pages.size() == 1
            ? tr("Wavecrest did not close properly. Reopen the page that was open?")
            : tr("Wavecrest did not close properly. Reopen the pages that were open?"),
        this);
    message->setObjectName(QStringLiteral("lblReopen"));
    message->setForegroundRole(QPalette::ToolTipText);
    message->setToolTip(pages.join(u'\n'));
    auto *reopen = new QPushButton(tr("&Reopen"), this);
    reopen->setObjectName(QStringLiteral("cmdReopen"));
    reopen->setToolTip(pages.join(u'\n'));
    auto *dismiss = new QPushButton(tr("Dismiss"), this);
    dismiss->setObjectName(QStringLiteral("cmdDismiss"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 2);
    row->addWidget(message, 1);
    row->addWidget(reopen);
    row->addWidget(dismiss);

    connect(reopen, &QPushButton::clicked, this, [this] {
        hide();
        Q_EMIT reopenChosen();
    });
    connect(dismiss, &QPushButton::clicked, this, [this] {
        hide();
        Q_EMIT dismissed();
    });
}
