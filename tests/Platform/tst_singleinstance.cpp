#include "Wisplet/Platform/SingleInstance.h"
#include "tests/support/TestMain.h"

#include <QDBusConnection>

class TestSingleInstance final : public QObject
{
    Q_OBJECT

private:
    TempFolder m_runtime;

private slots:
    void theBusNameAdmitsOne()
    {
        const QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "second");
        QVERIFY(other.isConnected());
        auto first = std::make_unique<SingleInstance>();
        QVERIFY(first->isFirst());
        QVERIFY(!SingleInstance(other).isFirst());
        first.reset();
        QVERIFY(SingleInstance(other).isFirst());
    }

    void withoutABusALockFileAdmitsOne()
    {
        const QDBusConnection none(QStringLiteral("not-connected"));
        QVERIFY(!none.isConnected());
        auto first = std::make_unique<SingleInstance>(none, m_runtime.path());
        QVERIFY(first->isFirst());
        QVERIFY(!SingleInstance(none, m_runtime.path()).isFirst());
        first.reset();
        QVERIFY(SingleInstance(none, m_runtime.path()).isFirst());
    }
};

WISPLET_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
