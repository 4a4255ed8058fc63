#include "Wisplet/Tools/Business/IntegrationError.h"

QString IntegrationError::description() const
{
    switch (m_kind) {
    case Kind::missing:
        return QStringLiteral("%1 is required.").arg(m_text);
    case Kind::http:
        if (m_text.isEmpty())
            return QStringLiteral("HTTP %1").arg(m_status);
        return QStringLiteral("HTTP %1: %2").arg(QString::number(m_status), m_text);
    case Kind::parse:
        return QStringLiteral("Couldn't read %1.").arg(m_text);
    case Kind::badResponse:
        return QStringLiteral("Unexpected response.");
    case Kind::system:
        return m_text;
    case Kind::cancelled:
        break;
    }
    return QStringLiteral("Cancelled.");
}
