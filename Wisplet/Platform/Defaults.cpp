#include "Wisplet/Platform/Defaults.h"

#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/SettingsFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace {

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
    if (!m_path.isEmpty())
        m_file = std::make_unique<SettingsFile>(m_path, maxFileBytes);
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
    if (!m_file)
        return;
    const SettingsFile::Contents found = m_file->read();
    switch (found.outcome) {
    case SettingsFile::Contents::Outcome::absent:
        break;
    case SettingsFile::Contents::Outcome::read:
        m_values = m_saved = found.values;
        break;
    case SettingsFile::Contents::Outcome::inaccessible:
        leaveFileAlone(found.reason);
        break;
    case SettingsFile::Contents::Outcome::unreadable:
    case SettingsFile::Contents::Outcome::notAFile:
        setAside(found.reason, QStringLiteral("Wisplet starts from its defaults"));
        break;
    }
}

// Never overwrite what we cannot read: keep it beside the new file and go on without it.
bool Defaults::setAside(const QString& reason, const QString& then)
{
    m_setAsidePath = PrivateFiles::setAside(m_path);
    m_unreadableInPlace = m_setAsidePath.isEmpty();
    setErrorText(m_unreadableInPlace
                     ? QStringLiteral("The settings file %1 could not be read (%2) nor moved aside; it is left as "
                                      "it is, and changes are not saved until it is moved.")
                           .arg(m_path, reason)
                     : QStringLiteral("The settings file %1 could not be read (%2); it was moved to %3 and %4.")
                           .arg(m_path, reason, m_setAsidePath, then));
    return !m_unreadableInPlace;
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
    noteChange(key);
}

void Defaults::remove(const QString& key)
{
    if (m_values.remove(key) > 0)
        noteChange(key);
}

void Defaults::noteChange(const QString& key)
{
    if (!m_file)
        return;
    // A value set back to what the file holds is no change: a quit with nothing touched writes nothing.
    if (SettingsFile::writtenAlike(m_values.value(key), m_saved.value(key))) {
        m_changed.remove(key);
        return;
    }
    m_changed.insert(key);
    // The first change arms the timer and later ones ride along: restarting it on every change would let
    // a steady stream of changes put the save off indefinitely.
    if (!m_saveTimer->isActive())
        m_saveTimer->start();
}

bool Defaults::flush()
{
    m_saveTimer->stop();
    if (m_changed.isEmpty()) {
        // What a failed save kept is no longer wanted.
        if (m_saveFailed) {
            m_saveFailed = false;
            setErrorText(QString());
        }
        return true;
    }
    if (m_leaveFileAlone)
        return false;
    QStringList taken;
    QString notice;
    const bool saved = takeInOutsideChanges(taken, notice) && (m_changed.isEmpty() || write());
    if (saved) {
        if (!taken.isEmpty())
            notice = QStringLiteral("%1 was changed outside Wisplet; those changes were taken in, with Wisplet's "
                                    "own on top.")
                         .arg(QFileInfo(m_path).fileName());
        m_saveFailed = false;
        setErrorText(QString());
        setNotice(notice);
    }
    // Only now, so that whoever follows sees the values and the file in step.
    if (!taken.isEmpty())
        emit changedOutside(taken);
    return saved;
}

bool Defaults::takeInOutsideChanges(QStringList& taken, QString& notice)
{
    if (!m_file->changedSinceSeen()) {
        // The unreadable file that could not be moved is still there: try again, quietly.
        if (m_unreadableInPlace) {
            m_setAsidePath = PrivateFiles::setAside(m_path);
            m_unreadableInPlace = m_setAsidePath.isEmpty();
        }
        return !m_unreadableInPlace;
    }
    const SettingsFile::Contents found = m_file->read();
    m_unreadableInPlace = false;
    switch (found.outcome) {
    case SettingsFile::Contents::Outcome::inaccessible:
        leaveFileAlone(found.reason);
        return false;
    case SettingsFile::Contents::Outcome::unreadable:
        if (!setAside(found.reason, QStringLiteral("the settings in use are saved in its place")))
            return false;
        // Still in view once the save has cleared the error.
        notice = m_errorText;
        takeNothingIn();
        return true;
    case SettingsFile::Contents::Outcome::absent:
    case SettingsFile::Contents::Outcome::notAFile:
        // Gone, or a folder in its way that saving will report: nothing to take in, and nothing of the values
        // in use is lost.
        takeNothingIn();
        return true;
    case SettingsFile::Contents::Outcome::read:
        break;
    }
    // Three ways: a key changed here since the file was last seen keeps its value; any other takes the file's,
    // removal included.
    QStringList keys = m_saved.keys() + found.values.keys();
    keys.removeDuplicates();
    keys.sort();
    for (const QString& key : std::as_const(keys)) {
        const QVariant outside = found.values.value(key);
        if (m_changed.contains(key) || SettingsFile::writtenAlike(m_values.value(key), outside))
            continue;
        if (outside.isValid())
            m_values.insert(key, outside);
        else
            m_values.remove(key);
        taken.append(key);
    }
    m_saved = found.values;
    m_changed.removeIf(
        [this](const QString& key) { return SettingsFile::writtenAlike(m_values.value(key), m_saved.value(key)); });
    return true;
}

// The file holds none of the values in use: all of them are to be written.
void Defaults::takeNothingIn()
{
    m_saved.clear();
    for (auto it = m_values.keyBegin(); it != m_values.keyEnd(); ++it)
        m_changed.insert(*it);
}

bool Defaults::write()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    QString reason;
    if (!PrivateFiles::ensureFolder(folder))
        reason = QStringLiteral("its folder %1 could not be made").arg(folder);
    else if (m_file->write(m_values, &reason)) {
        m_saved = m_values;
        m_changed.clear();
        return true;
    }
    m_saveFailed = true;
    setErrorText(QStringLiteral("The settings file %1 could not be saved (%2); the changes are kept and saved "
                                "with the next change or at quit.")
                     .arg(m_path, reason));
    return false;
}

void Defaults::leaveFileAlone(const QString& reason)
{
    m_leaveFileAlone = true;
    setErrorText(QStringLiteral("The settings file %1 could not be opened (%2); it is left as it is, and "
                                "changes are not saved to it until Wisplet starts again.")
                     .arg(m_path, reason));
}

void Defaults::setNotice(const QString& text)
{
    if (text == m_notice)
        return;
    m_notice = text;
    emit noticeChanged(text);
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
