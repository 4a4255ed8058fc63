#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

struct Reminder
{
    QString identifier;
    QString title;

    bool operator==(const Reminder&) const = default;
};

// The calendar tool's reminders. A fetch carries the generation it started under; its result is dropped
// when the generation has moved on.
class ReminderStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReminderStore)

public:
    static ReminderStore& shared();

    explicit ReminderStore(QObject* parent = nullptr);

    QUuid generation() const { return m_generation; }
    const QList<Reminder>& items() const { return m_items; }

    void setItems(const QList<Reminder>& items);
    // A new generation and no items: whatever is still being fetched is dropped.
    void clear();

signals:
    void itemsChanged(const QList<Reminder>& items);
    void changed();

private:
    QUuid m_generation = QUuid::createUuid();
    QList<Reminder> m_items;
};
