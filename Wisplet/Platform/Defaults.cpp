#include "Wisplet/Platform/Defaults.h"

#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/StoredJson.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace {

const QString dateTag = QStringLiteral("$date");
const QString dataTag = QStringLiteral("$data");

bool isInteger(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isNumber(const QVariant& value)
{
    return isInteger(value) || value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

bool fitsLongLong(const QVariant& integer)
{
    const bool isUnsigned = integer.typeId() == QMetaType::ULongLong || integer.typeId() == QMetaType::ULong;
    return !isUnsigned || integer.toULongLong() <= quint64(std::numeric_limits<qlonglong>::max());
}

// Brings a value to the types the store keeps, or invalid when it cannot be stored.
QVariant normalised(const QVariant& value)
{
    if (isInteger(value))
        return fitsLongLong(value) ? QVariant(value.toLongLong()) : QVariant();
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return value;
    case QMetaType::Double:
    case QMetaType::Float:
        // JSON has no NaN or infinity: such a value would come back as null and vanish.
        return std::isfinite(value.toDouble()) ? QVariant(value.toDouble()) : QVariant();
    case QMetaType::QDateTime:
        return value.toDateTime().isValid() ? QVariant(value.toDateTime().toUTC()) : QVariant();
    case QMetaType::QStringList:
        return QVariant(QVariant(value.toStringList()).toList());
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant& item : value.toList()) {
            const QVariant stored = normalised(item);
            if (!stored.isValid())
                return {};
            list.append(stored);
        }
        return list;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it) {
            const QVariant stored = normalised(it.value());
            if (!stored.isValid())
                return {};
            map.insert(it.key(), stored);
        }
        return map;
    }
    default:
        return {};
    }
}

// Digits with an optional sign, any length, not all zero. QString::toLongLong would skip spaces and
// call a long run of digits no number at all.
bool isNonZeroInteger(QStringView text)
{
    if (text.startsWith(u'+') || text.startsWith(u'-'))
        text = text.mid(1);
    if (text.isEmpty())
        return false;
    bool nonZero = false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        nonZero = nonZero || c != u'0';
    }
    return nonZero;
}

QJsonValue encode(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QDateTime:
        return QJsonObject{{dateTag, StoredJson::fromDate(value.toDateTime())}};
    case QMetaType::QByteArray:
        return QJsonObject{{dataTag, StoredJson::fromData(value.toByteArray())}};
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& item : value.toList())
            array.append(encode(item));
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            object.insert(it.key(), encode(it.value()));
        return object;
    }
    default:
        return QJsonValue::Null;
    }
}

QVariant decode(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double: {
        // Integers written as integers come back as integers.
        const QVariant number = value.toVariant();
        return isInteger(number) ? QVariant(number.toLongLong()) : QVariant(value.toDouble());
    }
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue& item : value.toArray())
            list.append(decode(item));
        return list;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.size() == 1) {
            if (const auto date = StoredJson::toDate(object.value(dateTag)))
                return *date;
            if (const auto data = StoredJson::toData(object.value(dataTag)))
                return *data;
        }
        QVariantMap map;
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            map.insert(it.key(), decode(it.value()));
        return map;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

} // namespace

Defaults::Defaults(QString filePath, QObject* parent)
    : QObject(parent)
    , m_path(std::move(filePath))
    , m_saveTimer(new QTimer(this))
{
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setTimerType(Qt::PreciseTimer);
    m_saveTimer->setInterval(saveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, &Defaults::flush);
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &Defaults::flush);
    load();
}

Defaults::~Defaults()
{
    flush();
}

QString Defaults::standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Wisplet/defaults.json");
}

void Defaults::load()
{
    if (m_path.isEmpty())
        return;
    const PrivateFiles::FileRead found = PrivateFiles::readRegularFile(m_path, maxFileBytes);
    if (found.outcome == PrivateFiles::FileRead::Outcome::absent)
        return;
    if (found.outcome == PrivateFiles::FileRead::Outcome::inaccessible) {
        m_leaveFileAlone = true;
        setErrorText(QStringLiteral("The settings file %1 could not be opened (%2); it is left as it is, and "
                                    "changes are not saved to it until Wisplet starts again.")
                         .arg(m_path, found.reason));
        return;
    }
    QJsonParseError error{};
    QJsonDocument document;
    if (found.outcome == PrivateFiles::FileRead::Outcome::read)
        document = QJsonDocument::fromJson(found.contents, &error);
    if (found.outcome == PrivateFiles::FileRead::Outcome::read && error.error == QJsonParseError::NoError
        && document.isObject()) {
        const QJsonObject object = document.object();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            const QVariant value = decode(it.value());
            if (value.isValid())
                m_values.insert(it.key(), value);
        }
        return;
    }
    QString reason = found.reason;
    if (reason.isEmpty())
        reason = error.error != QJsonParseError::NoError ? error.errorString() : QStringLiteral("not a JSON object");
    // Never overwrite what we cannot read: keep it beside the new file and start from defaults.
    m_setAsidePath = PrivateFiles::setAside(m_path);
    m_unreadableInPlace = m_setAsidePath.isEmpty();
    setErrorText(m_unreadableInPlace
                     ? QStringLiteral("The settings file %1 could not be read (%2) nor moved aside; it is left as "
                                      "it is, and changes are not saved until it is moved.")
                           .arg(m_path, reason)
                     : QStringLiteral("The settings file %1 could not be read (%2); it was moved to %3 and Wisplet "
                                      "starts from its defaults.")
                           .arg(m_path, reason, m_setAsidePath));
}

QVariant Defaults::object(const QString& key) const
{
    return m_values.value(key);
}

QString Defaults::string(const QString& key) const
{
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QDateTime Defaults::date(const QString& key) const
{
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

QByteArray Defaults::data(const QString& key) const
{
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QVariantList Defaults::array(const QString& key) const
{
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

std::optional<QStringList> Defaults::stringArray(const QString& key) const
{
    const QVariant stored = object(key);
    if (stored.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList strings;
    for (const QVariant& value : stored.toList()) {
        if (value.typeId() != QMetaType::QString)
            return std::nullopt;
        strings.append(value.toString());
    }
    return strings;
}

QVariantMap Defaults::dictionary(const QString& key) const
{
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

void Defaults::set(const QString& key, const QVariant& value)
{
    const QVariant stored = normalised(value);
    if (!stored.isValid())
        return;
    m_values.insert(key, stored);
    changed();
}

void Defaults::remove(const QString& key)
{
    if (m_values.remove(key) > 0)
        changed();
}

void Defaults::changed()
{
    m_dirty = true;
    // The first change arms the timer and later ones ride along: restarting it on every change would let
    // a steady stream of changes put the save off indefinitely.
    if (!m_path.isEmpty() && !m_saveTimer->isActive())
        m_saveTimer->start();
}

bool Defaults::flush()
{
    m_saveTimer->stop();
    if (m_path.isEmpty())
        m_dirty = false;
    if (!m_dirty)
        return true;
    if (m_leaveFileAlone)
        return false;
    if (!write())
        return false;
    m_dirty = false;
    setErrorText(QString());
    return true;
}

bool Defaults::write()
{
    QJsonObject object;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        object.insert(it.key(), encode(it.value()));
    if (m_unreadableInPlace && QFileInfo::exists(m_path)) {
        m_setAsidePath = PrivateFiles::setAside(m_path);
        if (m_setAsidePath.isEmpty())
            return false;
    }
    m_unreadableInPlace = false;
    const QString folder = QFileInfo(m_path).absolutePath();
    QString reason;
    if (!PrivateFiles::ensureFolder(folder))
        reason = QStringLiteral("its folder %1 could not be made").arg(folder);
    else if (PrivateFiles::writeAtomically(m_path, QJsonDocument(object).toJson(QJsonDocument::Indented), &reason))
        return true;
    setErrorText(QStringLiteral("The settings file %1 could not be saved (%2); the changes are kept and saved "
                                "with the next change or at quit.")
                     .arg(m_path, reason));
    return false;
}

void Defaults::setErrorText(const QString& text)
{
    if (text == m_errorText)
        return;
    m_errorText = text;
    emit errorTextChanged(text);
}

bool Defaults::booleanReading(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (isNumber(value))
        return value.toDouble() != 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
            || text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
            return true;
        return isNonZeroInteger(text);
    }
    return false;
}

double Defaults::doubleReading(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0 : 0.0;
    if (isNumber(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        // QLocale on its own skips surrounding spaces, reads "1,500" as 1500 and accepts "nan" and "inf".
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const double number = c.toDouble(text, &ok);
        return ok && std::isfinite(number) && text.trimmed().size() == text.size() ? number : 0.0;
    }
    return 0.0;
}
