#pragma once

#include <QObject>

// Holds the engines' page loads back while the program prepares something
// every page needs from its first request on (the content blocker's
// rules). While the gate is closed, an engine asked to load an address keeps
// it and loads it when the gate opens; nothing waits on the GUI thread. The
// gate starts open; one for the program.
class NavigationGate : public QObject
{
    Q_OBJECT

public:
    static NavigationGate &instance();

    bool isOpen() const { return m_open; }
    void close();
    void open();

Q_SIGNALS:
    void opened();

private:
    NavigationGate() = default;

    bool m_open = true;
};
