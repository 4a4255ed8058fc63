#include "Wisplet/App/ServiceCoordinator.h"
#include "tests/support/RecordingService.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestMain.h"

class TestServiceCoordinator final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<RegistryFixture> m_fixture;
    std::unique_ptr<ServiceCoordinator> m_coordinator;
    QStringList m_log;
    std::vector<std::unique_ptr<RecordingService>> m_services;
    bool m_consent = false;

    ToolRegistry& registry() { return *m_fixture->registry; }
    AppSettings& settings() { return m_fixture->settings; }
    QStringList running() { return sortedToolNames(m_coordinator->running()); }

private slots:
    void init()
    {
        m_log.clear();
        m_consent = false;
        m_fixture = std::make_unique<RegistryFixture>();
        m_fixture->load();
        m_coordinator = std::make_unique<ServiceCoordinator>(settings(), registry());
        m_services.clear();
        for (ToolID tool : {ToolID::focus, ToolID::clipboard, ToolID::system, ToolID::weather}) {
            m_services.push_back(std::make_unique<RecordingService>(rawValue(tool), m_log));
            m_coordinator->registerService(tool, *m_services.back());
        }
        m_coordinator->setClipboardConsent([this] { return m_consent; });
        registry().setEnabled(toolSet({"focus", "clipboard", "notes", "system"}));
    }

    void nothingRunsBeforeOnboarding()
    {
        m_coordinator->start();
        QVERIFY(m_log.isEmpty());
        settings().setOnboarded(true);
        QCoreApplication::processEvents();
        QCOMPARE(running(), (QStringList{"focus", "notes", "system"})); // no consent for the clipboard
        m_log.sort();
        QCOMPARE(m_log, (QStringList{"focus start", "system start"}));
    }

    void presentationModeStopsEverythingAndBack()
    {
        settings().setOnboarded(true);
        m_coordinator->start();
        m_log.clear();
        settings().setPresentationMode(true);
        QCoreApplication::processEvents();
        QVERIFY(running().isEmpty());
        m_log.sort();
        QCOMPARE(m_log, (QStringList{"focus stop", "system stop"}));

        m_log.clear();
        settings().setPresentationMode(false);
        QCoreApplication::processEvents();
        QCOMPARE(running(), (QStringList{"focus", "notes", "system"}));
        QCOMPARE(m_log.size(), 2);
    }

    void consentStartsTheClipboard()
    {
        settings().setOnboarded(true);
        m_coordinator->start();
        m_log.clear();
        m_consent = true;
        m_coordinator->reconcile(); // the clipboard view reconciles at once after granting consent
        QCOMPARE(m_log, QStringList{"clipboard start"});
    }

    void onlyDifferencesAct()
    {
        settings().setOnboarded(true);
        m_coordinator->start();
        m_log.clear();
        registry().setEnabled(ToolID::system, false);
        registry().setEnabled(ToolID::links, true);
        settings().setFaceSize(FaceSize::huge);
        QCoreApplication::processEvents();
        QCOMPARE(m_log, QStringList{"system stop"});
        QCOMPARE(running(), (QStringList{"focus", "links", "notes"}));
        m_coordinator->start(); // a second start does nothing
        QCoreApplication::processEvents();
        QCOMPARE(m_log, QStringList{"system stop"});
    }

    void aBurstOfChangesReconcilesOnce()
    {
        m_coordinator->start();
        settings().setOnboarded(true);
        registry().setEnabled(ToolID::weather, true);
        settings().setSkin(Skin::cat);
        QVERIFY(m_coordinator->isReconcileScheduled());
        QVERIFY(m_log.isEmpty()); // not yet: the stores may still be changing in this pass
        QCoreApplication::processEvents();
        QCOMPARE(m_log.size(), 3);
        QVERIFY(!m_coordinator->isReconcileScheduled());
    }

    void aStartThatChangesAStoreDoesNotReenter()
    {
        m_services.front()->onStart = [this] { settings().setFaceSize(FaceSize::small); }; // focus
        settings().setOnboarded(true);
        m_coordinator->start();
        QCOMPARE(m_log.count(QStringLiteral("focus start")), 1);
        QVERIFY(m_coordinator->isReconcileScheduled());
        QCoreApplication::processEvents();
        QCOMPARE(m_log.count(QStringLiteral("focus start")), 1);
    }

    void stopAllSavesFirstEvenForAToolThatIsOff()
    {
        registry().setEnabled(ToolID::focus, false);
        settings().setOnboarded(true);
        m_coordinator->start();
        m_log.clear();
        m_coordinator->stopAll(QDeadlineTimer(0));
        const int firstQuit = int(m_log.indexOf(QStringLiteral("system quit")));
        QVERIFY(m_log.contains(QStringLiteral("focus save")));
        QVERIFY(m_log.indexOf(QStringLiteral("focus save")) < firstQuit);
        QVERIFY(!m_log.contains(QStringLiteral("focus quit")));
        QVERIFY(running().isEmpty());

        // Stopped for good: later changes start nothing.
        m_log.clear();
        registry().setEnabled(ToolID::weather, true);
        QCoreApplication::processEvents();
        QVERIFY(m_log.isEmpty());
    }
};

WISPLET_TEST_MAIN(TestServiceCoordinator)
#include "tst_servicecoordinator.moc"
