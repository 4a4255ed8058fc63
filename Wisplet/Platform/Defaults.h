#pragma once

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QVariant>

#include <memory>
#include <optional>

class SettingsFile;

// The user's settings: a typed key-value store kept as one readable JSON object
// ($XDG_CONFIG_HOME/Wisplet/defaults.json). Changes apply in memory at once and reach the file soon
// after, coalesced, and at quit. Values are Booleans, numbers, strings, dates, data, arrays and
// dictionaries; in the file a date is {"$date": seconds since 2001-01-01 UTC} and data {"$data": Base64}.
// The file is written only when a value differs from what it holds. When another program (the user's
// editor, a sync tool) changed the file since it was read or written here, its changes are taken in
// first, key by key, and this program's own changes since then go on top.
class Defaults final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Defaults)

public:
    static constexpr int saveDelayMs = 200;
    // A settings file beyond this is not ours to read: it is set aside like any unreadable one.
    static constexpr qint64 maxFileBytes = 8 * 1024 * 1024;

    // An empty path keeps the values in memory only.
    explicit Defaults(QString filePath, QObject* parent = nullptr);
    ~Defaults() override;

    static QString standardPath();

    QString filePath() const { return m_path; }
    // Where an unreadable file found at start was moved, or empty.
    QString setAsidePath() const { return m_setAsidePath; }
    // What is wrong with the file, in one sentence that names it and says why; empty while all is well.
    // A failed save sets it and the next successful one clears it.
    QString errorText() const { return m_errorText; }
    // Says that changes another program made to the file were taken in (or that what it put in the file's
    // place was set aside) by the last save; the next save clears it.
    QString notice() const { return m_notice; }

    // The stored value with its type: bool, qlonglong or double, QString, QDateTime (UTC), QByteArray,
    // QVariantList or QVariantMap; invalid when absent.
    QVariant object(const QString& key) const;
    bool contains(const QString& key) const { return m_values.contains(key); }

    bool boolValue(const QString& key) const { return booleanReading(object(key)); }
    double doubleValue(const QString& key) const { return doubleReading(object(key)); }
    // Each of these gives an empty value when the key is absent or holds another type.
    QString string(const QString& key) const;
    QDateTime date(const QString& key) const;
    QByteArray data(const QString& key) const;
    QVariantList array(const QString& key) const;
    // The stored array when every element is a string; none when absent or of any other shape.
    std::optional<QStringList> stringArray(const QString& key) const;
    QVariantMap dictionary(const QString& key) const;

    // Stores a value of one of the types above (other integers become qlonglong, a QStringList an
    // array). A value of any other type is not stored, nor one the file cannot hold (a non-finite
    // double, an unsigned integer beyond qlonglong).
    void set(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Writes pending changes now, after taking in another program's changes to the file. False when the
    // file could not be written (errorText says why); they stay pending.
    bool flush();
    // Some value differs from what the file held when it was last read or written.
    bool hasPendingChanges() const { return !m_changed.isEmpty(); }

    // A number is true when ≠ 0; a string when it is "true" or "yes" in any case, or an integer ≠ 0
    // (of any length, without surrounding spaces).
    static bool booleanReading(const QVariant& value);
    // A Boolean is 1 or 0; a string its C-locale number when the whole text is one (no spaces, no
    // group separators, finite), else 0.
    static double doubleReading(const QVariant& value);

signals:
    void errorTextChanged(const QString& text);
    void noticeChanged(const QString& text);
    // The keys whose values were taken from the file as another program left it; the new values are in place.
    void changedOutside(const QStringList& keys);

private:
    void load();
    void noteChange(const QString& key);
    bool setAside(const QString& reason, const QString& then);
    bool takeInOutsideChanges(QStringList& taken, QString& notice);
    void takeNothingIn();
    bool write();
    void leaveFileAlone(const QString& reason);
    void setErrorText(const QString& text);
    void setNotice(const QString& text);

    QString m_path;
    std::unique_ptr<SettingsFile> m_file;
    QString m_setAsidePath;
    QVariantMap m_values;
    // What the file held when it was last read or written here, and the keys whose values differ from it.
    QVariantMap m_saved;
    QSet<QString> m_changed;
    QTimer* m_saveTimer;
    QString m_errorText;
    bool m_saveFailed = false;
    QString m_notice;
    // An unreadable file that could not be moved out of the way; saving waits until it can be.
    bool m_unreadableInPlace = false;
    // A file that was there but could not be opened: what it holds is unknown, so this run never
    // writes over it.
    bool m_leaveFileAlone = false;
};
