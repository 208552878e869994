#include "platform/webengineenvironment.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    return 0;
}
