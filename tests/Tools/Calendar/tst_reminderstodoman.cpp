#include "Wisplet/Platform/Calendar/ICalendarReminders.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

// todoman, a to-do program of its own, shares one list folder with the reminders page.
class TestRemindersTodoman final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_config;

    QByteArray todoman(const QStringList& arguments)
    {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStandardPaths::findExecutable("todoman"), QStringList{"-c", m_config} + arguments);
        if (!process.waitForFinished(60'000) || process.exitCode() != 0)
            qWarning() << process.readAllStandardError();
        return process.readAllStandardOutput();
    }

    QJsonObject todoOf(const QString& summary, const QStringList& listArguments = {})
    {
        const QJsonArray todos =
            QJsonDocument::fromJson(todoman(QStringList{"--porcelain", "list"} + listArguments)).array();
        for (const QJsonValue& todo : todos) {
            if (todo.toObject().value("summary").toString() == summary)
                return todo.toObject();
        }
        return {};
    }

    QStringList summaries(const QStringList& listArguments)
    {
        QStringList list;
        const QJsonArray todos =
            QJsonDocument::fromJson(todoman(QStringList{"--porcelain", "list"} + listArguments)).array();
        for (const QJsonValue& todo : todos)
            list.append(todo.toObject().value("summary").toString());
        list.sort();
        return list;
    }

private slots:
    void sharesTheListWithTodoman()
    {
        QVERIFY2(!QStandardPaths::findExecutable("todoman").isEmpty(), "todoman is installed by scripts/setup-deps");
        const QString folder = m_dir.filePath("lists/work");
        QVERIFY(QDir().mkpath(folder));
        m_config = m_dir.filePath("config.py");
        QVERIFY(TestFiles::write(m_config,
                                 "path = \"" + m_dir.filePath("lists/*").toUtf8()
                                     + "\"\ndate_format = \"%Y-%m-%d\"\ntime_format = \"%H:%M\"\n"
                                       "default_list = \"work\"\ncache_path = \""
                                     + m_dir.filePath("cache.sqlite3").toUtf8() + "\"\n"));
        todoman({"new", "-l", "work", "Water plants"});

        CalendarFixture f(QDateTime::currentDateTimeUtc());
        f.registry->setEnabled(ToolID::calendar, true);
        ICalendarReminders files{{.program = WISPLET_READER}};
        ReminderStore store({f.defaults, f.clock, files, f.settings, *f.registry});
        store.requestRemindersAccess(folder);
        QTRY_COMPARE(store.items().size(), 1);
        QCOMPARE(store.items().first().title, QString("Water plants"));

        store.addReminder("Buy milk");
        QTRY_COMPARE(store.items().size(), 2);
        QCOMPARE(summaries({}), QStringList({"Buy milk", "Water plants"}));

        // todoman changes the to-do after the list was read: completing it here keeps the change.
        todoman({"edit", QString::number(todoOf("Buy milk").value("id").toInt()), "--location", "Kitchen"});
        for (const Reminder& reminder : store.items()) {
            if (reminder.title != "Buy milk")
                continue;
            QCOMPARE(reminder.file, reminder.uid + ".ics");
            QCOMPARE(QUuid(reminder.uid).toString(QUuid::WithoutBraces).toUpper(), reminder.uid);
            store.completeReminder(reminder);
        }
        QTRY_COMPARE(store.items().size(), 1);
        QCOMPARE(summaries({"--status", "COMPLETED"}), QStringList{"Buy milk"});
        QCOMPARE(todoOf("Buy milk", {"--status", "COMPLETED"}).value("location").toString(), QString("Kitchen"));
        QCOMPARE(summaries({}), QStringList{"Water plants"});
    }
};

WISPLET_TEST_MAIN(TestRemindersTodoman)
#include "tst_reminderstodoman.moc"
