#include "Wisplet/Tools/Clipboard/ClipboardManager.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Base/ScaledImageReader.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/CopyOrigin.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/FrontApplications.h"
#include "Wisplet/Platform/PasteKeystroke.h"
#include "Wisplet/Platform/Pasteboard.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Tools/Clipboard/ClipHistoryStore.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QtConcurrent>

#include <QCoro/QCoroFuture>

#include <algorithm>
#include <climits>

namespace {

const QString consentKey = QStringLiteral("clipboard.consent");
const QString retentionKey = QStringLiteral("clipboard.retention");
const QString maxKey = QStringLiteral("clipboard.max");
const QString pasteKey = QStringLiteral("clipboard.paste");
const QString excludedKey = QStringLiteral("clipboard.excluded");
const QString historyName = QStringLiteral("clipboard.json");
const QString pngType = QStringLiteral("image/png");
const QString tiffType = QStringLiteral("image/tiff");

int intOption(const Defaults& defaults, const QString& key, int fallback)
{
    if (!defaults.contains(key))
        return fallback;
    return int(std::clamp(defaults.doubleValue(key), double(INT_MIN), double(INT_MAX)));
}

bool sameApplication(const WindowInfo& a, const WindowInfo& b)
{
    return a.pid != 0 && b.pid != 0 ? a.pid == b.pid : a.id == b.id;
}

// On a worker thread: the copied bytes, durable before the history names them. Why not, when they are not.
std::optional<QString> writeImage(const QString& path, const QByteArray& bytes)
{
    QString error;
    return PrivateFiles::writeAtomically(path, bytes, &error) ? std::nullopt : std::optional(error);
}

// On a worker thread: the preview of a saved image, made and written; its size, or -1 when there is none.
qint64 writePreview(const QString& folder, const QString& imageName, const QString& previewPath)
{
    const PrivateFiles::FileRead image = ClipHistoryFile::readImage(folder, imageName, ClipboardManager::sizeLimit);
    const QByteArray preview = image.outcome == PrivateFiles::FileRead::Outcome::read
        ? ClipboardManager::makeThumbnail(image.contents, ClipboardManager::thumbnailSide)
        : QByteArray();
    return !preview.isEmpty() && PrivateFiles::writeAtomically(previewPath, preview) ? preview.size() : -1;
}

// A file some write is making: its name, or a temporary file of that write.
bool isBeingWritten(const QString& name, const QSet<QString>& writing)
{
    return writing.contains(name) || std::any_of(writing.cbegin(), writing.cend(), [&](const QString& target) {
               return PrivateFiles::isTemporaryOf(name, target);
           });
}

} // namespace

ClipboardManager::ClipboardManager(const Services& services, const QString& folder, bool loadHistory, QObject* parent)
    : QObject(parent)
    , m_defaults(services.defaults)
    , m_clock(services.clock)
    , m_scheduler(services.scheduler)
    , m_settings(services.settings)
    , m_wisp(services.wisp)
    , m_pasteboard(services.pasteboard)
    , m_applications(services.applications)
    , m_paste(services.paste)
    , m_folder(folder)
    , m_maxItems(intOption(m_defaults, maxKey, 200))
    , m_pasteDirectly(m_defaults.boolValue(pasteKey))
    , m_excluded(m_defaults.stringArray(excludedKey).value_or(defaultExcluded()))
    , m_captureConsent(m_defaults.boolValue(consentKey))
    , m_retentionDays(intOption(m_defaults, retentionKey, 7))
    , m_history(new ClipHistoryStore(folder, historyName, historyFileLimit, this))
    // What is on the clipboard already was copied before we looked, and is never captured.
    , m_lastChangeCount(m_pasteboard.changeCount())
    , m_timer(new QTimer(this))
{
    PrivateFiles::ensureFolder(m_folder);
    m_timer->setInterval(pollIntervalMs);
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &ClipboardManager::poll);
    connect(&m_pasteboard, &Pasteboard::copied, this, &ClipboardManager::copyArrived);
    connect(m_history, &ClipHistoryStore::loaded, this, &ClipboardManager::historyLoaded);
    connect(m_history, &ClipHistoryStore::saved, this, &ClipboardManager::historySaved);
    if (loadHistory)
        m_history->load();
}

ClipboardManager::~ClipboardManager()
{
    finishSaving();
}

ClipboardManager& ClipboardManager::shared()
{
    static auto* applications = new FrontApplications(Platform::windows(), QCoreApplication::applicationPid());
    static auto* manager =
        new ClipboardManager({Platform::defaults(), Platform::clock(), Platform::scheduler(), AppSettings::shared(),
                              WispState::shared(), Platform::pasteboard(), *applications, Platform::pasteKeystroke()},
                             appSupportDirectory(), true);
    return *manager;
}

QStringList ClipboardManager::defaultExcluded()
{
    // Each by its desktop-entry id, and by the name its process and its window class share but for case: a
    // manager closed to the tray, or hidden right after a copy, has no window to go by.
    return {QStringLiteral("org.keepassxc.KeePassXC"),
            QStringLiteral("keepassxc"),
            QStringLiteral("com.bitwarden.desktop"),
            QStringLiteral("bitwarden"),
            QStringLiteral("1password"),
            QStringLiteral("org.gnome.seahorse.Application"),
            QStringLiteral("seahorse"),
            QStringLiteral("org.kde.kwalletmanager5"),
            QStringLiteral("kwalletmanager5")};
}

QString ClipboardManager::historyPath() const
{
    return m_history->path();
}

QString ClipboardManager::pathOf(const QString& fileName) const
{
    return m_folder + u'/' + fileName;
}

// Options.

void ClipboardManager::setMaxItems(int maxItems)
{
    m_maxItems = maxItems;
    m_defaults.set(maxKey, maxItems);
    emit maxItemsChanged(maxItems);
    emit changed();
    prune();
}

void ClipboardManager::setRetentionDays(int days)
{
    m_retentionDays = days;
    m_defaults.set(retentionKey, days);
    emit retentionDaysChanged(days);
    emit changed();
    prune();
    save();
}

void ClipboardManager::setPasteDirectly(bool pasteDirectly)
{
    m_pasteDirectly = pasteDirectly;
    m_defaults.set(pasteKey, pasteDirectly);
    emit pasteDirectlyChanged(pasteDirectly);
    emit changed();
}

void ClipboardManager::setExcludedAppIds(const QStringList& ids)
{
    m_excluded = ids;
    m_defaults.set(excludedKey, ids);
    emit excludedAppIdsChanged(ids);
    emit changed();
}

void ClipboardManager::setPaused(bool paused)
{
    m_paused = paused;
    emit pausedChanged(paused);
    emit changed();
}

void ClipboardManager::setCaptureConsent(bool consent)
{
    m_captureConsent = consent;
    m_defaults.set(consentKey, consent);
    emit captureConsentChanged(consent);
    emit changed();
}

void ClipboardManager::setWindowActivation(std::function<void(quint32)> activate)
{
    m_activate = std::move(activate);
}

void ClipboardManager::setItems(const QList<ClipItem>& items)
{
    m_items = items;
    itemsEdited(false);
}

void ClipboardManager::itemsEdited(bool pinsKept)
{
    if (!pinsKept)
        m_pinnedBytes.reset();
    emit itemsChanged(m_items);
    emit changed();
}

void ClipboardManager::setMessage(const std::optional<QString>& text)
{
    m_message = text;
    emit messageChanged(m_message);
    emit changed();
}

// Polling.

void ClipboardManager::start()
{
    if (m_timer->isActive())
        return;
    m_lastChangeCount = m_pasteboard.changeCount();
    pruneAndSave();
    m_timer->start();
}

void ClipboardManager::stop()
{
    m_timer->stop();
}

void ClipboardManager::stopForQuit(QDeadlineTimer deadline)
{
    stop();
    poll();
    // A copy the last tick found may still be read or written, as may one found now.
    if (m_capturesInFlight == 0 || deadline.hasExpired())
        return;
    // The event loop has ended: the copy's reads and its image's write need one of their own, for a while.
    // The user's clicks and keys wait: nothing is to be started while quitting.
    QEventLoop loop;
    m_quitWait = &loop;
    if (!deadline.isForever())
        QTimer::singleShot(int(deadline.remainingTime()), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_quitWait = nullptr;
}

void ClipboardManager::captureEnded()
{
    if (--m_capturesInFlight == 0 && m_quitWait)
        m_quitWait->quit();
}

bool ClipboardManager::isPolling() const
{
    return m_timer->isActive();
}

void ClipboardManager::poll()
{
    const qint64 nowMs = m_clock.monotonicMs();
    if (!m_lastPruneMs || nowMs - *m_lastPruneMs > pruneIntervalMs) {
        m_lastPruneMs = nowMs;
        pruneAndSave();
    }

    const int count = m_pasteboard.changeCount();
    if (count == m_lastChangeCount)
        return;
    // Recorded before the rules, so that a copy skipped now is never taken later.
    m_lastChangeCount = count;
    if (count == m_ownChangeCount)
        return;

    const ClipboardRules::CopyContext copy = rulesNow();
    // Nothing of a copy that is not to be kept is read at all.
    if (ClipboardRules::skipReason(copy) != ClipboardRules::Skip::none)
        return;
    examine(count, copy, originOf(count));
}

ClipboardRules::CopyContext ClipboardManager::rulesNow() const
{
    return {
        .paused = m_paused,
        .consent = m_captureConsent,
        .presentation = m_settings.presentationMode(),
        // Known once the copy's origin is.
        .frontIds = {},
        .makerIds = {},
        .excluded = m_excluded,
    };
}

void ClipboardManager::copyArrived()
{
    // By the next tick the maker may have hidden its windows, renamed itself or gone, and the user may be in
    // another application. Nobody is looked at while capture is off or lets no copy through.
    if (!isPolling() || ClipboardRules::skipReason(rulesNow()) != ClipboardRules::Skip::none)
        return;
    m_arrived = ArrivedCopy{m_pasteboard.changeCount(), CopyOrigin::take(m_pasteboard, m_applications)};
}

QCoro::Task<CopyOrigin> ClipboardManager::originOf(int changeCount)
{
    std::optional<ArrivedCopy> arrived = std::exchange(m_arrived, std::nullopt);
    if (arrived && arrived->changeCount == changeCount)
        return std::move(arrived->origin);
    // Capture let nothing through when it came: the best there is now.
    return CopyOrigin::take(m_pasteboard, m_applications);
}

std::optional<QString> ClipboardManager::creditedName(const CopyOrigin& origin) const
{
    const std::optional<WindowInfo> application =
        origin.maker.certainty == CopyMaker::Certainty::unknowable ? origin.front : origin.makerApplication();
    // Our own panel in front made nothing.
    if (!application || m_applications.isOurs(*application) || application->desktopElement)
        return std::nullopt;
    const QString name = m_applications.applicationName(*application);
    return name.isEmpty() ? std::nullopt : std::optional(name);
}

QCoro::Task<> ClipboardManager::examine(int changeCount, ClipboardRules::CopyContext copy,
                                        QCoro::Task<CopyOrigin> taken)
{
    const QPointer self(this);
    ++m_readsInFlight;
    const auto counted = qScopeGuard([self] {
        if (self)
            --self->m_readsInFlight;
    });
    ++m_capturesInFlight;
    auto capturing = qScopeGuard([self] {
        if (self)
            self->captureEnded();
    });
    // After every read: the store is still there and no newer copy overtook this one.
    const auto stillCurrent = [&] { return self && m_pasteboard.changeCount() == changeCount; };

    // The copy's reads are held to the owner its origin was taken from. The window in front may belong to
    // anyone (a terminal running a password tool, a password manager in front of a copy made elsewhere):
    // the copy is skipped when either its maker (by its names and all its windows: a password manager may
    // have none, or several; in doubt, any suspect) or the application in front is excluded.
    const CopyOrigin origin = co_await taken;
    if (!stillCurrent())
        co_return;
    copy.frontIds = origin.front ? FrontApplications::idsOf(*origin.front) : QSet<QString>();
    copy.makerIds = origin.makerIds();
    if (ClipboardRules::skipReason(copy) != ClipboardRules::Skip::none)
        co_return;
    const std::optional<QString> app = creditedName(origin);

    const QStringList types = co_await m_pasteboard.types(changeCount);
    if (!stillCurrent())
        co_return;
    copy.concealed = co_await m_pasteboard.isConcealed(changeCount, types);
    if (!stillCurrent())
        co_return;
    copy.transient = Pasteboard::isTransient(types);
    if (ClipboardRules::skipReason(copy) != ClipboardRules::Skip::none)
        co_return;
    const std::optional<ClipItem> item = co_await capture(changeCount, types, app);
    if (!self || !item)
        co_return;
    if (!stillCurrent()) {
        removeFiles({*item});
        m_sizes.remove(item->id);
        co_return;
    }
    insert(*item);
    m_wisp.handle(WispEvent::of(WispEvent::Kind::clipboardCopied));
    capturing.dismiss();
    captureEnded();
    if (item->imageFile)
        co_await addPreview(*item);
}

QCoro::Task<> ClipboardManager::addPreview(ClipItem item)
{
    // Decoding a large picture takes long: the entry is listed at once and gets its preview when it is made.
    const QPointer self(this);
    const QString previewName = *item.imageFile + QLatin1String(".preview.png");
    m_writingFiles.insert(previewName);
    // A named future: GCC 12 destroys a temporary in a co_await operand twice.
    const QFuture<qint64> making = QtConcurrent::run(&writePreview, m_folder, *item.imageFile, pathOf(previewName));
    const qint64 previewBytes = co_await making;
    if (!self)
        co_return;
    m_writingFiles.remove(previewName);
    if (previewBytes < 0)
        co_return;
    // Only while the entry is still there as it was: deleted or pruned meanwhile, its files are gone.
    const auto entry = std::find_if(m_items.cbegin(), m_items.cend(), [&](const ClipItem& existing) {
        return existing.id == item.id && existing.imageFile == item.imageFile && !existing.thumbnailFile;
    });
    if (entry == m_items.cend()) {
        QFile::remove(pathOf(previewName));
        co_return;
    }
    ClipItem& previewed = m_items[entry - m_items.cbegin()];
    previewed.thumbnailFile = previewName;
    m_sizes[item.id].files += previewBytes;
    itemsEdited(!previewed.pinned);
    save();
}

// Capture.

QCoro::Task<std::optional<ClipItem>> ClipboardManager::capture(int copy, QStringList types, std::optional<QString> app)
{
    const QPointer self(this);
    // A read a newer copy overtook is empty: what comes after it would be asked of the new copy's owner.
    const auto overtaken = [&] { return !self || m_pasteboard.changeCount() != copy; };
    const QDateTime now = m_clock.now();
    const QStringList paths = co_await m_pasteboard.filePaths(copy, types, sizeLimit);
    if (overtaken())
        co_return std::nullopt;
    if (!paths.isEmpty()) {
        co_return ClipItem{QUuid::createUuid(),
                           ClipItem::Kind::file,
                           paths.join(u'\n'),
                           std::nullopt,
                           now,
                           std::nullopt,
                           std::nullopt,
                           paths,
                           false,
                           app};
    }

    // What the limit refuses is never read: a text in a one-byte encoding is no longer in UTF-8.
    const PasteboardText text = co_await m_pasteboard.text(copy, types, sizeLimit);
    if (overtaken())
        co_return std::nullopt;
    if (text.tooLarge || text.text.toUtf8().size() > sizeLimit) {
        setMessage(QStringLiteral("Text over 25 MB was skipped; the original clipboard is unchanged."));
        co_return std::nullopt;
    }
    if (!text.text.isEmpty()) {
        const ClipItem::Kind kind = ClipboardRules::isLink(text.text) ? ClipItem::Kind::link : ClipItem::Kind::text;
        co_return ClipItem{QUuid::createUuid(), kind,         text.text,    std::nullopt, now,
                           std::nullopt,        std::nullopt, std::nullopt, false,        app};
    }
    co_return co_await captureImage(copy, types, now, app);
}

QCoro::Task<std::optional<ClipItem>> ClipboardManager::captureImage(int copy, QStringList types, QDateTime now,
                                                                    std::optional<QString> app)
{
    const QString type = types.contains(pngType) ? pngType : types.contains(tiffType) ? tiffType : QString();
    if (type.isEmpty())
        co_return std::nullopt;
    const QPointer self(this);
    const PasteboardData read = co_await m_pasteboard.data(copy, type, sizeLimit);
    if (!self || m_pasteboard.changeCount() != copy)
        co_return std::nullopt;
    if (read.tooLarge) {
        setMessage(QStringLiteral("Image over 25 MB was skipped; the original clipboard is unchanged."));
        co_return std::nullopt;
    }
    const QByteArray& bytes = read.bytes;
    if (bytes.isEmpty())
        co_return std::nullopt;

    const QString imageFile = QStringLiteral("clip-%1.%2")
                                  .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
                                       type == pngType ? QStringLiteral("png") : QStringLiteral("tiff"));
    m_writingFiles.insert(imageFile);
    const QFuture<std::optional<QString>> writing = QtConcurrent::run(&writeImage, pathOf(imageFile), bytes);
    const std::optional<QString> error = co_await writing;
    if (!self)
        co_return std::nullopt;
    m_writingFiles.remove(imageFile);
    if (error) {
        setMessage(QStringLiteral("Couldn't save this image: ") + *error);
        co_return std::nullopt;
    }

    const QString size = QLocale().formattedDataSize(bytes.size(), 1, QLocale::DataSizeSIFormat);
    const ClipItem item{QUuid::createUuid(),
                        ClipItem::Kind::image,
                        QStringLiteral("Image · ") + size,
                        imageFile,
                        now,
                        type,
                        std::nullopt,
                        std::nullopt,
                        false,
                        app};
    m_sizes.insert(item.id, {ClipboardRules::storedTextBytes(item.text), bytes.size()});
    co_return item;
}

QByteArray ClipboardManager::makeThumbnail(const QByteArray& imageData, int maxSide)
{
    const ScaledImage scaled = ScaledImageReader::read(imageData, maxSide);
    if (!scaled.ok() || scaled.image.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return scaled.image.save(&buffer, "PNG") ? png : QByteArray();
}

void ClipboardManager::insert(const ClipItem& item)
{
    // A repeat that moves up keeps its pin and its size.
    ClipboardRules::insertCopy(m_items, item);
    if (m_items.first().id == item.id && !m_sizes.contains(item.id))
        m_sizes.insert(item.id, {ClipboardRules::storedTextBytes(item.text), 0});
    itemsEdited(true);
    prune();
    save();
}

ClipboardRules::EntryBytes ClipboardManager::sizeOf(const ClipItem& item) const
{
    const auto known = m_sizes.constFind(item.id);
    return known != m_sizes.cend() ? *known : ClipboardRules::EntryBytes{ClipboardRules::storedTextBytes(item.text), 0};
}

ClipboardRules::EntryBytes ClipboardManager::pinnedBytes() const
{
    ClipboardRules::EntryBytes bytes;
    for (const ClipItem& item : m_items) {
        if (item.pinned)
            bytes += sizeOf(item);
    }
    return bytes;
}

void ClipboardManager::prune()
{
    if (!m_pinnedBytes)
        m_pinnedBytes = pinnedBytes();
    const QSet<QUuid> dropped =
        ClipboardRules::prunedIds(m_items, {m_maxItems, m_retentionDays, textBudget, fileBudget}, m_clock.now(),
                                  *m_pinnedBytes, [this](const ClipItem& item) { return sizeOf(item); });
    if (dropped.isEmpty())
        return;
    QList<ClipItem> gone;
    gone.reserve(dropped.size());
    // In place: each entry is looked at once, and only the unpinned ones are looked up.
    m_items.removeIf([&](const ClipItem& item) {
        if (item.pinned || !dropped.contains(item.id))
            return false;
        gone.append(item);
        return true;
    });
    for (const ClipItem& item : std::as_const(gone))
        m_sizes.remove(item.id);
    itemsEdited(true);
    removeFiles(gone);
}

void ClipboardManager::pruneAndSave()
{
    const qsizetype before = m_items.size();
    prune();
    if (m_items.size() != before)
        save();
}

// The files of entries gone from the list, but those an entry still there names: an entry copied by hand or
// kept twice by a merge shares its picture with the other.
void ClipboardManager::removeFiles(const QList<ClipItem>& gone)
{
    if (std::none_of(gone.cbegin(), gone.cend(),
                     [](const ClipItem& item) { return item.imageFile || item.thumbnailFile; }))
        return;
    const QSet<QString> named = ClipHistoryFile::namedFiles(m_items);
    for (const ClipItem& item : gone) {
        for (const std::optional<QString>& name : {item.imageFile, item.thumbnailFile}) {
            if (name && !named.contains(*name) && ClipHistoryFile::isPlainName(*name))
                QFile::remove(pathOf(*name));
        }
    }
}

// Storage.

bool ClipboardManager::isSaving() const
{
    return m_history->isBusy();
}

void ClipboardManager::save()
{
    m_history->save(m_items);
}

bool ClipboardManager::finishSaving()
{
    return m_history->finish();
}

void ClipboardManager::historyLoaded(const ClipHistoryFile::Loaded& loaded)
{
    // Copies taken while the file was read go on top of what it held, as if taken after it.
    QList<ClipItem> items = loaded.items;
    for (auto copied = m_items.crbegin(); copied != m_items.crend(); ++copied)
        ClipboardRules::insertCopy(items, *copied);
    m_sizes.insert(loaded.sizes);
    showFileLine(loaded.file);
    setItems(items);
    removeStrays(loaded.strays);
    // The budgets hold from the start, and a file that held more is written again without it.
    prune();
    if (m_items != loaded.items)
        save();
}

// A failure goes from the page once a save succeeds; the page's other lines stay until replaced.
void ClipboardManager::showFileLine(const ClipHistoryFile::File& file)
{
    const QString line = file.message();
    if (const std::optional<QString> shown = KeptFile::pageLine(m_message.value_or(QString()), m_fileLine, line))
        setMessage(shown->isEmpty() ? std::nullopt : shown);
    m_fileLine = line;
}

void ClipboardManager::removeStrays(const QStringList& names)
{
    const QSet<QString> named = ClipHistoryFile::namedFiles(m_items);
    for (const QString& name : names) {
        if (!named.contains(name) && !isBeingWritten(name, m_writingFiles) && ClipHistoryFile::isHistoryFileName(name))
            QFile::remove(pathOf(name));
    }
}

void ClipboardManager::historySaved(const QList<ClipItem>& sent, const ClipHistoryFile::Saved& saved)
{
    showFileLine(saved.file);
    if (!saved.takenIn)
        return;
    // Another program changed the file meanwhile: its change is in, and ours made since go over it.
    m_sizes.insert(saved.takenInSizes);
    const QList<ClipItem> before = m_items;
    setItems(ClipHistoryFile::File::merged(sent, m_items, *saved.takenIn));
    // The files of entries removed over there go too.
    removeFiles(before);
    prune();
    if (m_items != *saved.takenIn)
        save();
}

// Copy back and housekeeping.

std::optional<WindowInfo> ClipboardManager::pasteTarget() const
{
    // The panel may hold the focus after the click on a row; the target is the window before it.
    const std::optional<WindowInfo> front = m_applications.front();
    if (front && !m_applications.isOurs(*front) && !front->desktopElement)
        return front;
    return m_applications.lastOther();
}

void ClipboardManager::copyBack(const ClipItem& item)
{
    PasteboardContent content;
    switch (item.kind) {
    case ClipItem::Kind::text:
    case ClipItem::Kind::link:
        content.text = item.text;
        break;
    case ClipItem::Kind::image: {
        // Read before the clipboard is touched: a missing image must leave the user's clipboard alone.
        const PrivateFiles::FileRead found = item.imageFile
            ? ClipHistoryFile::readImage(m_folder, *item.imageFile, sizeLimit)
            : PrivateFiles::FileRead{};
        if (found.outcome != PrivateFiles::FileRead::Outcome::read) {
            setMessage(QStringLiteral("This saved image is missing. Your clipboard was kept."));
            return;
        }
        content.dataType = item.payloadType.value_or(pngType);
        content.data = found.contents;
        break;
    }
    case ClipItem::Kind::file:
        content.filePaths = item.filePaths.value_or(item.text.split(u'\n', Qt::SkipEmptyParts));
        break;
    }

    const std::optional<WindowInfo> target = pasteTarget();
    m_pasteboard.write(content);
    // Neither captured again nor moved by the next tick.
    m_ownChangeCount = m_pasteboard.changeCount();
    m_lastChangeCount = m_ownChangeCount;

    if (m_pasteDirectly && m_paste.isPermitted() && target) {
        m_wisp.collapse();
        if (m_activate)
            m_activate(target->id);
        m_pendingPaste = m_scheduler.callAfter(std::chrono::milliseconds(pasteDelayMs),
                                               [this, target] { postPasteKeystroke(target); });
        m_wisp.say(QStringLiteral("Pasted"), bubbleSeconds);
    } else {
        m_wisp.say(QStringLiteral("Copied · Ctrl+V to paste"), bubbleSeconds);
    }
}

void ClipboardManager::postPasteKeystroke(const std::optional<WindowInfo>& target)
{
    if (!target || m_applications.isOurs(*target))
        return;
    // The user may have moved on in the meantime.
    const std::optional<WindowInfo> front = m_applications.front();
    if (!front || !sameApplication(*front, *target))
        return;
    m_paste.postPaste();
}

void ClipboardManager::togglePin(const ClipItem& item)
{
    const qsizetype row = m_items.indexOf(item);
    if (row < 0)
        return;
    m_items[row].pinned = !m_items[row].pinned;
    itemsEdited(false);
    save();
}

void ClipboardManager::remove(const ClipItem& item)
{
    m_sizes.remove(item.id);
    if (m_items.removeIf([&](const ClipItem& existing) { return existing.id == item.id; }) > 0)
        itemsEdited(false);
    removeFiles({item});
    save();
}

void ClipboardManager::clearUnpinned()
{
    QList<ClipItem> pinned;
    QList<ClipItem> gone;
    for (const ClipItem& item : std::as_const(m_items)) {
        if (item.pinned) {
            pinned.append(item);
        } else {
            gone.append(item);
            m_sizes.remove(item.id);
        }
    }
    if (pinned.size() != m_items.size())
        setItems(pinned);
    removeFiles(gone);
    save();
}
