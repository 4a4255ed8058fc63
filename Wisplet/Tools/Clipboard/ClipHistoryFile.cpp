#include "Wisplet/Tools/Clipboard/ClipHistoryFile.h"

#include "Wisplet/Base/UnreadableFile.h"
#include "Wisplet/Platform/MergeById.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

namespace ClipHistoryFile {

namespace {

using Outcome = PrivateFiles::FileRead::Outcome;

QString fileName(const StoreFile& file)
{
    return QFileInfo(file.path()).fileName();
}

// The files the entries name, and those named in histories set aside earlier, which the user may want back
// with their pictures.
QSet<QString> keptFiles(const QList<ClipItem>& items, const StoreFile& file)
{
    QSet<QString> named = namedFiles(items);
    static const QRegularExpression clipName(QStringLiteral("clip-[0-9A-Fa-f-]+\\.(?:png|tiff)(?:\\.preview\\.png)?"));
    const QFileInfo history(file.path());
    const QDir folder = history.absoluteDir();
    const QStringList asides =
        folder.entryList({history.fileName() + QStringLiteral(".unreadable*")}, QDir::Files | QDir::Hidden);
    for (const QString& aside : asides) {
        const QString text = QString::fromUtf8(
            PrivateFiles::readRegularFileStart(folder.filePath(aside), file.maxBytes()).contents);
        for (const QRegularExpressionMatch& match : clipName.globalMatch(text))
            named.insert(match.captured());
    }
    return named;
}

QStringList strays(const QList<ClipItem>& items, const StoreFile& file, const QString& folder)
{
    const QSet<QString> named = keptFiles(items, file);
    QStringList found;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("clip-*")}, QDir::Files | QDir::System | QDir::Hidden);
    for (const QString& name : names) {
        if (!named.contains(name))
            found.append(name);
    }
    return found;
}

} // namespace

QSet<QString> namedFiles(const QList<ClipItem>& items)
{
    QSet<QString> named;
    for (const ClipItem& item : items) {
        for (const std::optional<QString>& name : {item.imageFile, item.thumbnailFile}) {
            if (name)
                named.insert(*name);
        }
    }
    return named;
}

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != QLatin1String("..") && name != QLatin1String(".");
}

QString notSaved(const QString& reason)
{
    return QStringLiteral("History could not be saved: %1.").arg(reason);
}

QList<ClipItem> merged(const QList<ClipItem>& base, const QList<ClipItem>& ours, const QList<ClipItem>& theirs)
{
    return MergeById::merged(
        base, ours, theirs, [](const ClipItem& item) { return item.id; },
        [](ClipItem item) {
            item.id = QUuid::createUuid();
            return item;
        });
}

Sizes measure(const QList<ClipItem>& items, const QString& folder)
{
    Sizes sizes;
    for (const ClipItem& item : items) {
        ClipboardRules::EntryBytes bytes{ClipboardRules::storedTextBytes(item.text), 0};
        for (const std::optional<QString>& name : {item.imageFile, item.thumbnailFile}) {
            if (name && isPlainName(*name))
                bytes.files += QFileInfo(folder + u'/' + *name).size();
        }
        sizes.insert(item.id, bytes);
    }
    return sizes;
}

Loaded load(StoreFile file, const QString& folder)
{
    Loaded loaded{std::move(file), {}, {}, std::nullopt, false, {}};
    const PrivateFiles::FileRead found = loaded.file.read();
    if (found.outcome == Outcome::inaccessible) {
        loaded.notice = UnreadableFile::leaveInPlace(loaded.file.path(), found.reason);
        loaded.checkFirst = true;
        return loaded;
    }
    if (found.outcome != Outcome::absent) {
        std::optional<QList<ClipItem>> items =
            found.outcome == Outcome::read ? clipItemsFromJson(found.contents) : std::nullopt;
        if (items) {
            loaded.items = std::move(*items);
        } else {
            // It may still hold pinned entries the user wants back: moved aside, never overwritten.
            const UnreadableFile::SetAside aside = UnreadableFile::setAside(
                loaded.file.path(), found.reason.isEmpty() ? QStringLiteral("damaged") : found.reason);
            loaded.notice = aside.notice;
            loaded.checkFirst = aside.path.isEmpty();
        }
    }
    if (!loaded.checkFirst) {
        loaded.sizes = measure(loaded.items, folder);
        loaded.strays = strays(loaded.items, loaded.file, folder);
    }
    return loaded;
}

Saved save(SaveJob job)
{
    Saved saved{std::move(job.file), false, std::nullopt, {}, job.base, job.checkFirst, std::nullopt, std::nullopt};
    QList<ClipItem> list = job.ours;
    if (job.checkFirst || saved.file.changedSinceSeen()) {
        const PrivateFiles::FileRead found = saved.file.read();
        if (found.outcome == Outcome::inaccessible) {
            saved.failure = notSaved(QStringLiteral("%1 could not be opened (%2)").arg(fileName(saved.file), found.reason));
            saved.checkFirst = true;
            return saved;
        }
        const std::optional<QList<ClipItem>> theirs =
            found.outcome == Outcome::read ? clipItemsFromJson(found.contents) : std::nullopt;
        saved.base = theirs.value_or(QList<ClipItem>());
        saved.checkFirst = false;
        if (theirs) {
            list = merged(job.base, job.ours, *theirs);
            if (list != job.ours) {
                saved.takenIn = list;
                saved.takenInSizes = measure(list, job.folder);
            }
        } else if (found.outcome != Outcome::absent && QFileInfo(saved.file.path()).isFile()) {
            // What another program put there is not ours to overwrite; a folder in the way makes the write fail.
            const UnreadableFile::SetAside aside = UnreadableFile::setAside(
                saved.file.path(), found.reason.isEmpty() ? QStringLiteral("damaged") : found.reason);
            saved.notice = aside.notice;
            if (aside.path.isEmpty()) {
                saved.failure = notSaved(QStringLiteral("%1 could not be set aside").arg(fileName(saved.file)));
                saved.checkFirst = true;
                return saved;
            }
        }
    }
    QString error;
    if (!saved.file.write(QJsonDocument(clipItemsToJson(list)).toJson(QJsonDocument::Compact), &error)) {
        saved.failure = notSaved(error);
        return saved;
    }
    saved.ok = true;
    saved.base = list;
    return saved;
}

} // namespace ClipHistoryFile
