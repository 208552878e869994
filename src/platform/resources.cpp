#include "platform/resources.h"

#include <QtGlobal>

void initWavecrestResources()
{
    Q_INIT_RESOURCE(wavecrest);
}
