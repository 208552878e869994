#include "ui/resources.h"

#include <QIcon>

void initWavecrestResources()
{
    Q_INIT_RESOURCE(wavecrest);
}

QIcon programIcon()
{
    return QIcon(QStringLiteral(":/icons/wavecrest.svg"));
}
