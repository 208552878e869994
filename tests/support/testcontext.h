#pragma once

#include "core/appcontext.h"
#include "support/fakebrowserengine.h"

#include <QTemporaryDir>

#include <memory>

// A temporary data directory and an AppContext whose engines are fakes.
struct TestContext {
    TestContext();

    QString file(const QString &name) const;
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;

    QTemporaryDir dir;
    QList<FakeBrowserEngine *> engines;
    std::unique_ptr<AppContext> context;
};
