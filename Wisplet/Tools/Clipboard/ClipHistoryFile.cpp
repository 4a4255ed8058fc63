#include "Wisplet/Tools/Clipboard/ClipHistoryFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

namespace ClipHistoryFile {

namespace {

// The files the entries name, and those named in histories set aside earlier, which the user may want back
// with their pictures.
QSet<QString> keptFiles(const QList<ClipItem>& items, const File& file)
{
    QSet<QString> named = namedFiles(items);
    static const QRegularExpression clipName(QStringLiteral("clip-[0-9A-Fa-f-]+\\.(?:png|tiff)(?:\\.preview\\.png)?"));
    const QFileInfo history(file.path());
    const QDir folder = history.absoluteDir();
    const QStringList asides =
        folder.entryList({history.fileName() + QStringLiteral(".unreadable*")}, QDir::Files | QDir::Hidden);
    for (const QString& aside : asides) {
        const QString text =
            QString::fromUtf8(PrivateFiles::readRegularFileStart(folder.filePath(aside), file.maxBytes()).contents);
        for (const QRegularExpressionMatch& match : clipName.globalMatch(text))
            named.insert(match.captured());
    }
    return named;
}

QStringList strays(const QList<ClipItem>& items, const File& file, const QString& folder)
{
    // A linked folder may be the user's own, where a file of that shape is not ours to remove.
    if (QFileInfo(QDir::cleanPath(folder)).isSymLink())
        return {};
    const QSet<QString> named = keptFiles(items, file);
    QStringList found;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("clip-*")}, QDir::Files | QDir::System | QDir::Hidden);
    for (const QString& name : names) {
        if (isHistoryFileName(name) && !named.contains(name))
            found.append(name);
    }
    return found;
}

// The file remembers what it holds in a list of its own, made here on the worker: the store's list is then
// shared with nothing once the read or save ends, and the store changes it in place instead of copying it
// whole at its next change.
void keepOwnCopy(File& file, const QList<ClipItem>& items)
{
    file.loadedAs(QList<ClipItem>(items.cbegin(), items.cend()));
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

bool isHistoryFileName(const QString& name)
{
    static const QRegularExpression made(QStringLiteral(
        "^clip-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.(?:png|tiff)(?:\\.preview\\.png)?"));
    const QRegularExpressionMatch match = made.match(name);
    if (!match.hasMatch())
        return false;
    return match.capturedLength() == name.size() || PrivateFiles::isTemporaryOf(name, match.captured());
}

bool isRegularFileIn(const QString& folder, const QString& name)
{
    if (!isPlainName(name))
        return false;
    const QFileInfo info(folder + u'/' + name);
    return !info.isSymLink() && info.isFile();
}

PrivateFiles::FileRead readImage(const QString& folder, const QString& name, qint64 maxBytes)
{
    if (!isRegularFileIn(folder, name))
        return {};
    return PrivateFiles::readRegularFile(folder + u'/' + name, maxBytes);
}

Sizes measure(const QList<ClipItem>& items, const QString& folder)
{
    Sizes sizes;
    for (const ClipItem& item : items) {
        ClipboardRules::EntryBytes bytes{ClipboardRules::storedTextBytes(item.text), 0};
        for (const std::optional<QString>& name : {item.imageFile, item.thumbnailFile}) {
            if (name && isRegularFileIn(folder, *name))
                bytes.files += QFileInfo(folder + u'/' + *name).size();
        }
        sizes.insert(item.id, bytes);
    }
    return sizes;
}

File file(const QString& path, qint64 maxBytes)
{
    const QString name = QFileInfo(path).fileName();
    const auto notSaved = [name](KeptFile::Trouble trouble, const QString& reason) {
        return QStringLiteral("History could not be saved: %1.")
            .arg(trouble == KeptFile::Trouble::unopened
                     ? QStringLiteral("%1 could not be opened (%2)").arg(name, reason)
                     : reason);
    };
    return {path,
            maxBytes,
            {[](const QByteArray& contents, QString& whyNot) {
                 whyNot = QStringLiteral("damaged");
                 return clipItemsFromJson(contents);
             },
             [](const QList<ClipItem>& items) {
                 return QJsonDocument(clipItemsToJson(items)).toJson(QJsonDocument::Compact);
             }},
            // Another program's change is taken in without a word: the list shows it.
            {notSaved, [](bool) { return QString(); }}};
}

Loaded load(File file, const QString& folder)
{
    // It may hold pinned entries the user wants back: what cannot be read is never written over.
    QList<ClipItem> items = file.load({});
    keepOwnCopy(file, items);
    // Room at the front, where copies go (a list read in has it only at its end): the first copy after start
    // then moves nothing.
    items.prepend({});
    items.removeFirst();
    Loaded loaded{std::move(file), std::move(items), {}, {}};
    if (!loaded.file.isUnread()) {
        loaded.sizes = measure(loaded.items, folder);
        loaded.strays = strays(loaded.items, loaded.file, folder);
    }
    return loaded;
}

Saved save(SaveJob job)
{
    Saved saved{std::move(job.file), false, std::nullopt, {}};
    const File::Saved result = saved.file.save(job.items);
    saved.ok = result.ok;
    if (result.ok)
        keepOwnCopy(saved.file, job.items);
    if (result.tookIn) {
        saved.takenInSizes = measure(job.items, job.folder);
        saved.takenIn = std::move(job.items);
    }
    return saved;
}

} // namespace ClipHistoryFile
