#pragma once

#include "core/appcontext.h"
#include "support/fakebrowserengine.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// The bytes of a file, or what stands for one that cannot be read.
inline QByteArray fileContents(const QString &path, const QByteArray &unread = {})
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : unread;
}

// A temporary data directory and an AppContext whose engines are fakes.
struct TestContext {
    QString file(const QString &name) const { return dir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray readFile(const QString &name) const { return fileContents(file(name)); }

    QTemporaryDir dir;
    QList<FakeBrowserEngine *> engines;
    std::unique_ptr<AppContext> context
        = std::make_unique<AppContext>(dir.path(), FakeEngineFactory{&engines});
};
