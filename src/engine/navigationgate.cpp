#include "engine/navigationgate.h"

NavigationGate &NavigationGate::instance()
{
    static NavigationGate gate;
    return gate;
}

void NavigationGate::close()
{
    m_open = false;
}

void NavigationGate::open()
{
    if (m_open)
        return;
    m_open = true;
    Q_EMIT opened();
}
