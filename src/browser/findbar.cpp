#include "browser/findbar.h"

#include "browser/altkeys.h"
#include "engine/browserengine.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

FindBar::FindBar(BrowserEngine *engine, QWidget *parent) : QWidget(parent), m_engine(engine)
{
    setObjectName(QStringLiteral("FindBar"));
    // Legible over the window's colour and background picture.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("txtFind"));
    m_field->setAccessibleName(tr("Find in page"));
    m_field->setPlaceholderText(tr("Find in page"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, &FindBar::textEdited);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblFindCount"));
    m_count->setMinimumWidth(m_count->fontMetrics().horizontalAdvance(tr("No matches")) + 8);

    m_previous = button("cmdFindPrevious", tr("Previous match"), tr("Previous match (Shift+F3)"));
    m_previous->setArrowType(Qt::UpArrow);
    connect(m_previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    m_next = button("cmdFindNext", tr("Next match"), tr("Next match (F3)"));
    m_next->setArrowType(Qt::DownArrow);
    connect(m_next, &QToolButton::clicked, this, &FindBar::findNext);
    m_close = button("cmdFindClose", tr("Close find bar"), tr("Close (Escape)"));
    m_close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    connect(m_close, &QToolButton::clicked, this, &FindBar::dismiss);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(m_field, 2);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_count);
    row->addStretch(3);
    row->addWidget(m_close);

    // A page that starts to load drops the highlight, and with it the count.
    connect(engine, &BrowserEngine::DownloadBegin, this, [this] { showCount(QString()); });
    connect(engine, &BrowserEngine::findTextFinished, this, &FindBar::showResult);
}

QToolButton *FindBar::button(const char *name, const QString &spoken, const QString &toolTip)
{
    auto *button = new QToolButton(this);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(spoken);
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    button->installEventFilter(this);
    return button;
}

void FindBar::open(bool backward)
{
    const bool wasOpen = !isHidden();
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    if (!wasOpen)
        search(backward);
}

void FindBar::findNext()
{
    if (isHidden())
        open();
    else
        search(false);
}

void FindBar::findPrevious()
{
    if (isHidden())
        open(true);
    else
        search(true);
}

void FindBar::dismiss()
{
    if (isHidden())
        return;
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    hide();
    showCount(QString());
    if (m_engine) {
        m_engine->stopFinding();
        if (hadFocus)
            m_engine->view()->setFocus(Qt::OtherFocusReason);
    }
}

void FindBar::search(bool backward)
{
    if (m_engine && !m_field->text().isEmpty())
        m_engine->findText(m_field->text(), backward);
}

void FindBar::textEdited(const QString &text)
{
    if (!m_engine)
        return;
    if (text.isEmpty()) {
        showCount(QString());
        m_engine->stopFinding();
    } else {
        m_engine->findText(text, false);
    }
}

void FindBar::showResult(const QString &text, int activeMatch, int matchCount)
{
    // A late answer, for a text since changed or a bar since closed, is old.
    if (isHidden() || text != m_field->text())
        return;
    if (matchCount <= 0)
        showCount(tr("No matches"));
    else if (activeMatch <= 0)
        showCount(tr("%1 matches").arg(matchCount));
    else
        showCount(tr("%1 of %2").arg(activeMatch).arg(matchCount));
}

void FindBar::showCount(const QString &count)
{
    m_count->setText(count);
    // A screen reader speaks the count with the field.
    m_field->setAccessibleDescription(count);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    // Escape belongs to the bar here, even while a page loads (when the
    // window's Escape would stop it).
    if (key->key() == Qt::Key_Escape) {
        event->accept();
        if (type == QEvent::KeyPress)
            dismiss();
        return true;
    }
    if (watched != m_field || type != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        search(key->modifiers().testFlag(Qt::ShiftModifier));
        return true;
    }
    return typesWithAlt(key);
}
