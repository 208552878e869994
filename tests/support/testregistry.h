#pragma once

#include <QObject>

#include <functional>

// Each area's test executable runs every test class registered in it, so an
// area may spread its tests over several files.
int registerTestClass(const char *name, std::function<QObject *()> factory);

#define WAVECREST_TEST(Class)                                                                      \
    static const int wavecrestRegistered##Class                                                    \
        = registerTestClass(#Class, [] { return static_cast<QObject *>(new Class); });
