#include "support/testcontext.h"

#include <QFile>

TestContext::TestContext()
    : context(std::make_unique<AppContext>(dir.path(), FakeEngineFactory{&engines}))
{ }

QString TestContext::file(const QString &name) const
{
    return dir.filePath(name);
}

void TestContext::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray TestContext::readFile(const QString &name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
