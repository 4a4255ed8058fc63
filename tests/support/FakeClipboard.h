#pragma once

#include "Wisplet/Platform/ActiveWindowSource.h"
#include "Wisplet/Platform/PasteKeystroke.h"
#include "Wisplet/Platform/Pasteboard.h"
#include "Wisplet/Platform/ProcessName.h"

#include <QMap>

// A clipboard set by hand: each offer is one new copy, made by another program.
class FakePasteboard final : public Pasteboard
{
public:
    void offer(const QMap<QString, QByteArray>& formats)
    {
        m_formats = formats;
        ++m_count;
        emit copied();
    }

    int changeCount() const override { return m_count; }
    QCoro::Task<CopyMaker> maker() override
    {
        if (!suspects)
            co_return owner ? CopyMaker::knownAs(*owner, ProcessName::namesOf(*owner)) : CopyMaker();
        CopyMaker inDoubt{CopyMaker::Certainty::inDoubt, 0, {}};
        for (auto suspect = suspects->cbegin(); suspect != suspects->cend(); ++suspect)
            inDoubt.processes.insert(suspect.key(), {suspect.value()});
        co_return inDoubt;
    }
    void write(const PasteboardContent& content) override
    {
        written.append(content);
        m_formats.clear();
        if (!content.text.isEmpty())
            m_formats.insert(QStringLiteral("text/plain"), content.text.toUtf8());
        if (!content.dataType.isEmpty())
            m_formats.insert(content.dataType, content.data);
        ++m_count;
    }

    QList<PasteboardContent> written;
    // The process the system names as the copy's maker; none: it cannot tell.
    std::optional<qint64> owner;
    // Set: the maker is one of these processes (id → name), and which one cannot be told.
    std::optional<QHash<qint64, QString>> suspects;

protected:
    QCoro::Task<QStringList> readTypes() override { co_return m_formats.keys(); }
    QCoro::Task<PasteboardData> readData(QString type, qint64 maxBytes) override
    {
        const QByteArray bytes = m_formats.value(type);
        co_return bytes.size() > maxBytes ? PasteboardData{{}, true, true}
                                          : PasteboardData{bytes, false, m_formats.contains(type)};
    }

private:
    QMap<QString, QByteArray> m_formats;
    int m_count = 0;
};

// The session's active window, set by hand; a change is announced as the window manager would.
class FakeActiveWindows final : public ActiveWindowSource
{
public:
    std::optional<WindowInfo> activeWindow() const override { return m_active; }
    QList<WindowInfo> stackingList() const override { return stacking; }
    std::optional<quint32> lastChangeTime() const override { return m_time; }

    // At an X server time, when given.
    void activate(const std::optional<WindowInfo>& window, std::optional<quint32> time = std::nullopt)
    {
        m_active = window;
        m_time = time;
        emit activeWindowChanged();
    }
    // Closed, at an X server time; the window manager may go on naming it as the active window.
    void close(quint32 window, std::optional<quint32> time)
    {
        stacking.removeIf([&](const WindowInfo& listed) { return listed.id == window; });
        emit windowUnlisted(window, time);
    }

    // Bottom to top.
    QList<WindowInfo> stacking;

private:
    std::optional<WindowInfo> m_active;
    std::optional<quint32> m_time;
};

// Counts the pastes it is asked for.
class FakePasteKeystroke final : public PasteKeystroke
{
public:
    bool isPermitted() const override { return permitted; }
    bool postPaste() override
    {
        ++pastes;
        return permitted;
    }

    bool permitted = true;
    int pastes = 0;
};
