#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <optional>

// What one write puts on the clipboard: any of text, raw data under one type, and files.
struct PasteboardContent
{
    QString text;
    QString dataType;
    QByteArray data;
    QStringList filePaths;
};

// One type of a copy, read up to a limit.
struct PasteboardData
{
    QByteArray bytes;
    // The copy holds more than the limit: none of it was read.
    bool tooLarge = false;
    // The owner gave an answer (these bytes, or a size over the limit); not when it refused, fell silent or
    // was replaced meanwhile.
    bool answered = false;
};

// The copy's text, read up to a limit.
struct PasteboardText
{
    QString text;
    bool tooLarge = false;
};

// Who made a copy, as far as the system can tell without asking the copy's owner.
struct CopyMaker
{
    enum class Certainty {
        // The system cannot tell at all (no X11, a Wayland session): the application in front stands in.
        unknowable,
        known,
        // The process that took the clipboard is gone and the one holding it now cannot be singled out: any
        // of the suspects may have made the copy.
        inDoubt,
    };

    Certainty certainty = Certainty::unknowable;
    // When known.
    qint64 pid = 0;
    // The maker when known, every suspect when in doubt: process id → the names it went by as the copy was
    // made (ProcessName::namesOf), its own name first.
    QHash<qint64, QStringList> processes;

    static CopyMaker knownAs(qint64 pid, const QStringList& names) { return {Certainty::known, pid, {{pid, names}}}; }
};

// The clipboard the user copies to and pastes from (CLIPBOARD; the mouse selection never counts). Its
// change count goes up by one for every new content, ours included, so a reader can tell a new copy from
// one it has seen, and its own writes from other programs' copies. Types are the names the copy is offered
// under: MIME types, and on X11 also the selection's own target names (UTF8_STRING, STRING).
//
// A copy is read asynchronously, since another program answers. Every read names the copy it is for by
// its change count: a read for a copy that is no longer current asks nobody anything and comes back empty,
// and so does one that a newer copy overtook while it waited.
class Pasteboard : public QObject
{
    Q_OBJECT

public:
    // Markers a password manager or a generator adds to a copy that must not be kept.
    static constexpr const char* concealedType = "org.nspasteboard.ConcealedType";
    static constexpr const char* transientType = "org.nspasteboard.TransientType";
    static constexpr const char* passwordManagerHint = "x-kde-passwordManagerHint";
    static constexpr const char* uriListType = "text/uri-list";
    static constexpr const char* gnomeFilesType = "x-special/gnome-copied-files";

    using QObject::QObject;

    virtual int changeCount() const = 0;
    // The X server's time at which the current copy took the clipboard; none where it cannot say.
    virtual std::optional<quint32> changeTime() const { return std::nullopt; }
    // Who made the current copy, where the system can tell without asking the copy's owner. Asked as
    // copied() is emitted, it finds the maker as it was then: its process and names are taken before the
    // first suspension (only a search for a helper that forked and left goes on afterwards). Where owners
    // are windows (X11), the copy's later reads come from that copy's owner only.
    virtual QCoro::Task<CopyMaker> maker() = 0;
    // Replaces the whole content; the change count goes up by one.
    virtual void write(const PasteboardContent& content) = 0;

    QCoro::Task<QStringList> types(int copy);
    // Nothing beyond maxBytes is ever read.
    QCoro::Task<PasteboardData> data(int copy, QString type, qint64 maxBytes);
    // Of a copy of the types: the local paths of its text/uri-list, in order (addresses of any other scheme
    // are no files); its plain text in the first text type offered, empty when there is none; whether it is
    // marked concealed (the marker type, or the password-manager hint "secret", empty or unreadable) or
    // transient, the markers' names and the hint's word taken in any case.
    QCoro::Task<QStringList> filePaths(int copy, QStringList types, qint64 maxBytes);
    QCoro::Task<PasteboardText> text(int copy, QStringList types, qint64 maxBytes);
    QCoro::Task<bool> isConcealed(int copy, QStringList types);
    static bool isTransient(const QStringList& types);

signals:
    // Another program's copy has just taken the clipboard (the change count has gone up): what made it can
    // be looked at now, before it hides, renames itself or leaves.
    void copied();

protected:
    // The reads themselves, of whatever is on the clipboard now.
    virtual QCoro::Task<QStringList> readTypes() = 0;
    virtual QCoro::Task<PasteboardData> readData(QString type, qint64 maxBytes) = 0;
};

// Without a clipboard: never anything on it, and writes go nowhere.
class NullPasteboard final : public Pasteboard
{
    Q_OBJECT

public:
    using Pasteboard::Pasteboard;

    int changeCount() const override { return 0; }
    QCoro::Task<CopyMaker> maker() override { co_return CopyMaker(); }
    void write(const PasteboardContent&) override { }

protected:
    QCoro::Task<QStringList> readTypes() override { co_return QStringList(); }
    QCoro::Task<PasteboardData> readData(QString, qint64) override { co_return PasteboardData(); }
};
