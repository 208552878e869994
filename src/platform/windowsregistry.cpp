#include "platform/windowsregistry.h"

#ifdef Q_OS_WIN

#include <qt_windows.h>

namespace {

// Room for 1024 characters, far more than any path the About box looks for.
constexpr DWORD ValueBufferBytes = 1024 * sizeof(wchar_t);

HKEY rootKey(quint32 keyRoot)
{
    // The predefined root handles are sign-extended to the width of a
    // pointer, as the SDK's own definitions are.
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(keyRoot)));
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

} // namespace

bool WindowsRegistry::GetKeyValue(
    quint32 keyRoot, const QString &keyName, const QString &valueName, QString *keyValue) const
{
    keyValue->clear();
    HKEY key = nullptr;
    // Read access only: ordinary users may not open keys under
    // HKEY_LOCAL_MACHINE for writing, and we never write.
    if (RegOpenKeyExW(rootKey(keyRoot), wide(keyName), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    QByteArray data(ValueBufferBytes, '\0');
    DWORD type = 0;
    DWORD size = ValueBufferBytes;
    const LSTATUS status = RegQueryValueExW(
        key, wide(valueName), nullptr, &type, reinterpret_cast<BYTE *>(data.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return false;
    data.truncate(qsizetype(size));
    *keyValue = registryStringValue(data);
    return true;
}

#endif
