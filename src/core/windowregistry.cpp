#include "core/windowregistry.h"

#include <utility>

WindowRegistry::~WindowRegistry()
{
    const auto windows = std::exchange(m_windows, {});
    for (const QPointer<QWidget> &window : windows)
        delete window.data();
}

void WindowRegistry::registerWindow(const QString &name, Factory factory)
{
    m_factories.insert(name, std::move(factory));
}

QWidget *WindowRegistry::instance(const QString &name)
{
    if (QWidget *existing = find(name))
        return existing;
    const auto factory = m_factories.constFind(name);
    if (factory == m_factories.constEnd())
        return nullptr;
    QWidget *window = (*factory)();
    if (!window)
        return nullptr;
    window->setObjectName(name);
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_windows.insert(name, window);
    return window;
}

QWidget *WindowRegistry::open(const QString &name)
{
    QWidget *window = instance(name);
    if (!window)
        return nullptr;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QWidget *WindowRegistry::find(const QString &name) const
{
    return m_windows.value(name).data();
}

void WindowRegistry::adopt(const QString &name, QWidget *window)
{
    m_windows.insert(name, window);
}
