#include "platform/systemregistry.h"

#include "platform/windowsregistry.h"

#ifndef Q_OS_WIN
namespace {

// Elsewhere there is no registry: every key is missing.
class EmptyRegistry final : public SystemRegistry
{
public:
    bool GetKeyValue(quint32, const QString &, const QString &, QString *keyValue) const override
    {
        keyValue->clear();
        return false;
    }
};

} // namespace
#endif

std::unique_ptr<SystemRegistry> createSystemRegistry()
{
#ifdef Q_OS_WIN
    return std::make_unique<WindowsRegistry>();
#else
    return std::make_unique<EmptyRegistry>();
#endif
}

QString registryStringValue(const QByteArray &data)
{
    QString text;
    text.reserve(data.size() / 2);
    // An odd last byte is half a character and cannot be part of the text.
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = char16_t(quint8(data.at(i)) | (quint8(data.at(i + 1)) << 8));
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}
