#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// Each of the program's secondary windows exists at most once. The registry
// creates a window on first use, shows it, and hands out the same window
// until it is closed (windows delete themselves on close).
class WindowRegistry
{
public:
    using Factory = std::function<QWidget *()>;

    WindowRegistry() = default;
    // Deletes every window still open, without closing it: the program is
    // ending, and no window's own closing handling runs then.
    ~WindowRegistry();
    WindowRegistry(const WindowRegistry &) = delete;
    WindowRegistry &operator=(const WindowRegistry &) = delete;

    void registerWindow(const QString &name, Factory factory);

    // The window, created if needed, but not shown; null when unknown.
    QWidget *instance(const QString &name);
    // instance(), then shown non-modal, raised and activated.
    QWidget *open(const QString &name);
    // The window if it exists now, without creating it.
    QWidget *find(const QString &name) const;

    // Tells the registry about a window it did not create (the main window).
    void adopt(const QString &name, QWidget *window);

    template <typename T> T *find(const QString &name) const
    {
        return qobject_cast<T *>(find(name));
    }

private:
    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<QWidget>> m_windows;
};
