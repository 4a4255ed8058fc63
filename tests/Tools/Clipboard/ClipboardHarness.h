#pragma once

#include "Wisplet/Platform/FrontApplications.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "tests/support/FakeClipboard.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QJsonDocument>
#include <QTest>

using Formats = QMap<QString, QByteArray>;

inline constexpr qint64 ourPid = 4242;

inline WindowInfo window(quint32 id, qint64 pid, const QString& appId)
{
    WindowInfo info;
    info.id = id;
    info.pid = pid;
    info.appId = appId;
    info.wmClass = appId;
    info.visible = true;
    return info;
}

inline Formats text(const QByteArray& value)
{
    return {{QStringLiteral("text/plain"), value}};
}

// A manager over fakes, with a folder of its own (or the one given); another one can be opened on the same
// folder.
struct ClipboardHarness : CompanionFixture
{
    explicit ClipboardHarness(const QString& at = QString())
        : path(at.isEmpty() ? folder.path() : at)
    {
        open();
    }

    // Unsettled, the history may still be being read.
    void open(bool consent = true, bool settled = true)
    {
        defaults.set(QStringLiteral("clipboard.consent"), consent);
        // The one before saves what it holds first.
        manager.reset();
        manager = std::make_unique<ClipboardManager>(
            ClipboardManager::Services{defaults, clock, scheduler, settings, *wisp, pasteboard, applications, paste},
            path, true);
        manager->setWindowActivation([this](quint32 id) { activated.append(id); });
        if (settled)
            settle();
    }

    // Until no copy is read and the history is neither read nor written.
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!manager->isReading() && !manager->isSaving(), 20'000); }

    // One copy made in the application in front, then one tick.
    void copy(const Formats& formats)
    {
        pasteboard.offer(formats);
        manager->poll();
    }

    QStringList files() const { return QDir(path).entryList(QDir::Files | QDir::System); }

    TempFolder folder;
    QString path;
    FakePasteboard pasteboard;
    FakeActiveWindows windows;
    FrontApplications applications{windows, ourPid};
    FakePasteKeystroke paste;
    QList<quint32> activated;
    std::unique_ptr<ClipboardManager> manager;
};

// A history file of unpinned then pinned texts ("text 0" the newest), as an earlier run left it.
inline QByteArray storedTexts(int unpinned, int pinned, const QDateTime& date)
{
    QList<ClipItem> items;
    items.reserve(unpinned + pinned);
    for (int i = 0; i < unpinned + pinned; ++i)
        items.append({QUuid::createUuid(),
                      ClipItem::Kind::text,
                      QStringLiteral("text %1").arg(i),
                      {},
                      date,
                      {},
                      {},
                      {},
                      i >= unpinned,
                      {}});
    return QJsonDocument(clipItemsToJson(items)).toJson(QJsonDocument::Compact);
}
