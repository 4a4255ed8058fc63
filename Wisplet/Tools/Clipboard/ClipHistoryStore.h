#pragma once

#include "Wisplet/Tools/Clipboard/ClipHistoryFile.h"

#include <QFuture>
#include <QObject>

#include <QCoro/QCoroTask>

// Reads and writes the clipboard history on worker threads, so that neither a large file nor a slow disk
// keeps the panel waiting. Saves are coalesced: while one runs, only the newest list asked for waits for
// it. Nothing is written before the file has been read, and at quit (finish) the save under way and the
// newest list are written before the program goes on.
class ClipHistoryStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipHistoryStore)

public:
    ClipHistoryStore(const QString& folder, const QString& fileName, qint64 maxBytes, QObject* parent = nullptr);
    ~ClipHistoryStore() override;

    QString path() const { return m_path; }

    // Starts reading the file; loaded() follows. Without it the store starts from an empty history.
    void load();
    bool isLoading() const { return m_loading; }
    // A read or a save is under way.
    bool isBusy() const { return m_loading || m_saving; }

    // Saves the list. Asked while the file is still being read, the list waits for the read: it is then
    // dropped, since the list that holds what was read replaces it.
    void save(const QList<ClipItem>& items);
    // Waits for the read (when a list waits for it) and the save under way, then writes on this thread
    // what is still unsaved, a list that failed to save included. True when nothing is left unsaved.
    bool finish();

signals:
    void loaded(const ClipHistoryFile::Loaded& result);
    // A save ended; `sent` is the list it was asked to save.
    void saved(const QList<ClipItem>& sent, const ClipHistoryFile::Saved& result);

private:
    QCoro::Task<> runLoad();
    QCoro::Task<> runSave();
    ClipHistoryFile::SaveJob nextJob();
    void loadDone(const ClipHistoryFile::Loaded& result);
    void saveDone(const ClipHistoryFile::Saved& result);

    QString m_folder;
    QString m_path;
    // Handed to each read or save, and taken back from it; a save takes it away, so that what the file
    // remembered before is let go of on the worker.
    ClipHistoryFile::File m_file;
    bool m_loading = false;
    bool m_saving = false;
    // The newest list asked for and not yet handed to a save.
    std::optional<QList<ClipItem>> m_pending;
    // The list of the save under way, and of the last one, when it failed. Not kept longer: it would share
    // the store's list, which its next change would then copy whole.
    QList<ClipItem> m_sent;
    bool m_failed = false;
    // finish() runs: what is asked meanwhile is saved by it, on this thread.
    bool m_finishing = false;
    QFuture<ClipHistoryFile::Loaded> m_reading;
    QFuture<ClipHistoryFile::Saved> m_writing;
    // A job's result is taken once: by the coroutine that awaits it, or by finish(), which moves this on.
    quint64 m_job = 0;
};
