#include "system/systemregistry.h"

namespace {

// This system keeps no registry: every key is missing. A port to a system
// with one provides its reader here.
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

std::unique_ptr<SystemRegistry> createSystemRegistry()
{
    return std::make_unique<EmptyRegistry>();
}
