#include "Wisplet/Platform/UnixSocketName.h"

namespace UnixSocketName {

QByteArray fromKernel(QByteArrayView raw)
{
    if (raw.startsWith('\0'))
        return raw.toByteArray();
    const qsizetype end = raw.indexOf('\0');
    return (end < 0 ? raw : raw.first(end)).toByteArray();
}

} // namespace UnixSocketName
