#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

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
};

// The copy's text, read up to a limit.
struct PasteboardText
{
    QString text;
    bool tooLarge = false;
};

// The clipboard the user copies to and pastes from (CLIPBOARD; the mouse selection never counts). Its
// change count goes up by one for every new content, ours included, so a reader can tell a new copy from
// one it has seen, and its own writes from other programs' copies. Types are the names the copy is offered
// under: MIME types, and on X11 also the selection's own target names (UTF8_STRING, STRING).
//
// A copy is read asynchronously, since another program answers: a reader checks the change count after
// each read, and a read that a newer copy overtook comes back empty.
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
    virtual QCoro::Task<QStringList> types() = 0;
    // Nothing beyond maxBytes is ever read.
    virtual QCoro::Task<PasteboardData> data(QString type, qint64 maxBytes) = 0;
    // Replaces the whole content; the change count goes up by one.
    virtual void write(const PasteboardContent& content) = 0;

    // Of a copy of the types: the local paths of its text/uri-list, in order (addresses of any other scheme
    // are no files); its plain text in the first text type offered, empty when there is none; whether it is
    // marked concealed (the marker type, or the password-manager hint "secret") or transient.
    QCoro::Task<QStringList> filePaths(QStringList types, qint64 maxBytes);
    QCoro::Task<PasteboardText> text(QStringList types, qint64 maxBytes);
    QCoro::Task<bool> isConcealed(QStringList types);
    static bool isTransient(const QStringList& types);
};

// Without a clipboard: never anything on it, and writes go nowhere.
class NullPasteboard final : public Pasteboard
{
    Q_OBJECT

public:
    using Pasteboard::Pasteboard;

    int changeCount() const override { return 0; }
    QCoro::Task<QStringList> types() override { co_return QStringList(); }
    QCoro::Task<PasteboardData> data(QString, qint64) override { co_return PasteboardData(); }
    void write(const PasteboardContent&) override { }
};
