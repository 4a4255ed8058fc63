#include "Wisplet/Tools/Clipboard/ClipHistoryStore.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QtConcurrent>

#include <QCoro/QCoroFuture>

ClipHistoryStore::ClipHistoryStore(const QString& folder, const QString& fileName, qint64 maxBytes, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
    , m_path(folder + u'/' + fileName)
    , m_file(ClipHistoryFile::file(m_path, maxBytes))
{ }

ClipHistoryStore::~ClipHistoryStore()
{
    finish();
}

void ClipHistoryStore::load()
{
    if (!m_loading) {
        m_loading = true;
        runLoad();
    }
}

QCoro::Task<> ClipHistoryStore::runLoad()
{
    const QPointer self(this);
    const quint64 job = ++m_job;
    m_reading = QtConcurrent::run(&ClipHistoryFile::load, m_file, m_folder);
    // A named future: GCC 12 destroys a temporary in a co_await operand twice.
    const QFuture<ClipHistoryFile::Loaded> reading = m_reading;
    const ClipHistoryFile::Loaded result = co_await reading;
    if (self && job == m_job)
        loadDone(result);
}

void ClipHistoryStore::loadDone(const ClipHistoryFile::Loaded& result)
{
    // The future would keep the whole file's list alive.
    m_reading = {};
    m_loading = false;
    m_file = result.file;
    // It lacks what was read; the list that holds both is asked for in answer to loaded().
    m_pending.reset();
    emit loaded(result);
}

void ClipHistoryStore::save(const QList<ClipItem>& items)
{
    m_pending = items;
    if (!m_loading && !m_saving && !m_finishing)
        runSave();
}

ClipHistoryFile::SaveJob ClipHistoryStore::nextJob()
{
    m_saving = true;
    m_sent = *std::exchange(m_pending, std::nullopt);
    return {std::move(m_file), m_sent, m_folder};
}

QCoro::Task<> ClipHistoryStore::runSave()
{
    const QPointer self(this);
    const quint64 job = ++m_job;
    m_writing = QtConcurrent::run(&ClipHistoryFile::save, nextJob());
    const QFuture<ClipHistoryFile::Saved> writing = m_writing;
    const ClipHistoryFile::Saved result = co_await writing;
    if (!self || job != m_job)
        co_return;
    saveDone(result);
    if (m_pending && !m_saving && !m_finishing)
        runSave();
}

void ClipHistoryStore::saveDone(const ClipHistoryFile::Saved& result)
{
    m_writing = {};
    m_saving = false;
    m_file = result.file;
    m_failed = !result.ok;
    // Answering, the store may start the next save, which sends a list of its own.
    const QList<ClipItem> sent = m_failed ? m_sent : std::exchange(m_sent, {});
    emit saved(sent, result);
}

bool ClipHistoryStore::finish()
{
    const QScopedValueRollback finishing(m_finishing, true);
    if (m_loading) {
        // Nothing to save yet: the read is left to itself.
        if (!m_pending)
            return true;
        ++m_job;
        m_reading.waitForFinished();
        loadDone(QFuture<ClipHistoryFile::Loaded>(m_reading).result());
    }
    if (m_saving) {
        ++m_job;
        m_writing.waitForFinished();
        saveDone(QFuture<ClipHistoryFile::Saved>(m_writing).result());
    }
    // A list that failed is tried once more; a list that takes another program's change in asks again.
    if (m_failed && !m_pending)
        m_pending = m_sent;
    for (int round = 0; m_pending && round < 3; ++round) {
        saveDone(ClipHistoryFile::save(nextJob()));
        if (m_failed)
            break;
    }
    return !m_failed && !m_pending;
}
