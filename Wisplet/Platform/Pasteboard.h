#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// What one write puts on the clipboard: any of text, raw data under one type, and files.
struct PasteboardContent
{
    QString text;
    QString dataType;
    QByteArray data;
    QStringList filePaths;
};

// The clipboard the user copies to and pastes from (CLIPBOARD; the mouse selection never counts). Its
// change count goes up by one for every new content, ours included, so a reader can tell a new copy from
// one it has seen, and its own writes from other programs' copies. Types are MIME types.
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
    virtual QStringList types() const = 0;
    virtual QByteArray data(const QString& type) const = 0;
    // The plain text, empty when there is none.
    virtual QString text() const = 0;
    // Replaces the whole content; the change count goes up by one.
    virtual void write(const PasteboardContent& content) = 0;

    // The local paths of the file: addresses of the content's text/uri-list, in order; addresses of any
    // other scheme are no files.
    QStringList filePaths() const;
    // Marked concealed (the marker type, or the password-manager hint "secret") or transient.
    bool isConcealed() const;
    bool isTransient() const;
};

// Without a clipboard: never anything on it, and writes go nowhere.
class NullPasteboard final : public Pasteboard
{
    Q_OBJECT

public:
    using Pasteboard::Pasteboard;

    int changeCount() const override { return 0; }
    QStringList types() const override { return {}; }
    QByteArray data(const QString&) const override { return {}; }
    QString text() const override { return {}; }
    void write(const PasteboardContent&) override { }
};
