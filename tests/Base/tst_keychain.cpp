#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Platform/LibsecretStore.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/TestMain.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QProcess>
#include <QUuid>

using Status = SecretStore::Status;

char* toString(Status status)
{
    switch (status) {
    case Status::Found:
        return qstrdup("Found");
    case Status::Absent:
        return qstrdup("Absent");
    case Status::Failed:
        return qstrdup("Failed");
    case Status::TimedOut:
        return qstrdup("TimedOut");
    }
    return qstrdup("?");
}

namespace {

const QString ourService = QString::fromLatin1(LibsecretStore::defaultService);
const QString otherService = QStringLiteral("com.tidewell.wisplet.test-other");

QStringList attributes(const QString& account, const QString& service = ourService)
{
    return {QStringLiteral("service"), service, QStringLiteral("account"), account};
}

struct ToolRun
{
    int exitCode = -1;
    QByteArray output;
};

// secret-tool is the independent witness: what it reads and writes is what other programs see.
ToolRun secretTool(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(30'000)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput()};
}

bool storeWithSecretTool(const QString& account, const QString& label, const QByteArray& secret)
{
    const QStringList arguments{QStringLiteral("store"), QStringLiteral("--label=") + label};
    return secretTool(arguments + attributes(account), secret).exitCode == 0;
}

ToolRun lookUpWithSecretTool(const QString& account)
{
    return secretTool(QStringList{QStringLiteral("lookup")} + attributes(account));
}

// secret-tool prints one "[path]" line and a "label = …" line per item found.
QList<QByteArray> itemLabels(const QString& account)
{
    const ToolRun run =
        secretTool(QStringList{QStringLiteral("search"), QStringLiteral("--all")} + attributes(account));
    QList<QByteArray> labels;
    for (const QByteArray& line : run.output.split('\n')) {
        if (line.startsWith("label = "))
            labels.append(line.mid(8));
    }
    return labels;
}

struct Stored
{
    QByteArray bytes;
    Status status = Status::Failed;
    QString value;
};

// The Secret Service's wire form of a secret, (oayays), in a "plain" session.
struct WireSecret
{
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};

} // namespace

Q_DECLARE_METATYPE(WireSecret)
Q_DECLARE_METATYPE(Stored)

QDBusArgument& operator<<(QDBusArgument& argument, const WireSecret& secret)
{
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, WireSecret& secret)
{
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

namespace {

// A collection of the test's own, holding one of our items, then locked. Unlocking it again would need
// a password prompt, so it is deleted at the end. gnome-keyring creates it without a prompt when given
// the master password over the bus.
class LockedCollection final
{
public:
    LockedCollection() = default;
    ~LockedCollection()
    {
        if (!m_path.path().isEmpty())
            call(m_path.path(), QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Delete"), {});
    }
    Q_DISABLE_COPY_MOVE(LockedCollection)

    // An empty text on success, else what went wrong.
    QString create(const QString& account, const QByteArray& secret)
    {
        qDBusRegisterMetaType<WireSecret>();
        qDBusRegisterMetaType<QMap<QString, QString>>();
        const QString servicePath = QStringLiteral("/org/freedesktop/secrets");
        const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");

        QDBusMessage reply = call(servicePath, serviceInterface, QStringLiteral("OpenSession"),
                                  {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return reply.errorMessage();
        const auto session = reply.arguments().value(1).value<QDBusObjectPath>();

        const QVariantMap collectionProperties{
            {QStringLiteral("org.freedesktop.Secret.Collection.Label"), QStringLiteral("Wisplet locked test")}};
        const WireSecret master{session, {}, "wisplet-locked-test", QStringLiteral("text/plain")};
        reply = call(servicePath, QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
                     QStringLiteral("CreateWithMasterPassword"), {collectionProperties, QVariant::fromValue(master)});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return reply.errorMessage();
        m_path = reply.arguments().value(0).value<QDBusObjectPath>();

        QMap<QString, QString> itemAttributes;
        itemAttributes.insert(QStringLiteral("service"), ourService);
        itemAttributes.insert(QStringLiteral("account"), account);
        const QVariantMap itemProperties{
            {QStringLiteral("org.freedesktop.Secret.Item.Label"), QStringLiteral("locked copy")},
            {QStringLiteral("org.freedesktop.Secret.Item.Attributes"), QVariant::fromValue(itemAttributes)}};
        const WireSecret value{session, {}, secret, QStringLiteral("text/plain")};
        reply = call(m_path.path(), QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("CreateItem"),
                     {itemProperties, QVariant::fromValue(value), false});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return reply.errorMessage();

        reply = call(servicePath, serviceInterface, QStringLiteral("Lock"),
                     {QVariant::fromValue(QList<QDBusObjectPath>{m_path})});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return reply.errorMessage();
        if (reply.arguments().value(1).value<QDBusObjectPath>().path() != QStringLiteral("/"))
            return QStringLiteral("locking asked for a prompt");
        return {};
    }

private:
    static QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                             const QVariantList& arguments)
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"), path, interface, method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message, QDBus::Block, 30'000);
    }

    QDBusObjectPath m_path;
};

} // namespace

// Against the session's real keyring (gnome-keyring in the test harness), with secret-tool as witness.
class KeychainTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QCoro::waitFor(m_store.lookup(account(QStringLiteral("probe")))).status == Status::Absent,
                 "No unlocked keyring on the session bus; run inside scripts/with-test-session.");
    }

    void cleanup()
    {
        // Through secret-tool, so that a broken remove() cannot leave items behind for the next run.
        for (const QString& key : std::as_const(m_accounts)) {
            secretTool(QStringList{QStringLiteral("clear")} + attributes(key));
            secretTool(QStringList{QStringLiteral("clear")} + attributes(key, otherService));
        }
        m_accounts.clear();
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("non-ASCII") << QStringLiteral("Grüße, ключ, 鍵 🔑");
        QTest::newRow("embedded NUL") << QString::fromUtf8("ab\0cd", 5);
        QTest::newRow("surrounding whitespace, long") << QStringLiteral("  token\n") + QString(16 * 1024, u'k');
    }

    void roundTrip()
    {
        QFETCH(QString, value);
        const QString key = account(QStringLiteral("roundTrip"));

        QCOMPARE(read(key).status, Status::Absent);

        QVERIFY(write(value, key));
        const Keychain::ReadResult result = read(key);
        QCOMPARE(result.status, Status::Found);
        QCOMPARE(result.value, value);

        const ToolRun lookup = lookUpWithSecretTool(key);
        QCOMPARE(lookup.exitCode, 0);
        QCOMPARE(lookup.output, value.toUtf8());
    }

    // An item made by secret-tool carries no schema name; ours do, and the search must not ask for it.
    void replaceUpdatesTheItemInPlace()
    {
        const QString key = account(QStringLiteral("replace"));
        const QString expectedLabel = QStringLiteral("Added elsewhere");
        QVERIFY(storeWithSecretTool(key, expectedLabel, "first"));
        QVERIFY(write(QStringLiteral("second"), key));

        QCOMPARE(read(key).value, QStringLiteral("second"));
        QCOMPARE(lookUpWithSecretTool(key).output, QByteArray("second"));
        QCOMPARE(itemLabels(key), QList<QByteArray>{expectedLabel.toUtf8()});
    }

    void emptyValueRemoves_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::newRow("never stored") << QString();
        QTest::newRow("made by secret-tool") << QStringLiteral("secret-tool");
    }

    void emptyValueRemoves()
    {
        QFETCH(QString, existing);
        const QString key = account(QStringLiteral("remove"));
        if (!existing.isEmpty())
            QVERIFY(storeWithSecretTool(key, QStringLiteral("Added elsewhere"), "value"));

        QVERIFY(write(QString(), key));

        QCOMPARE(read(key).status, Status::Absent);
        QCOMPARE(lookUpWithSecretTool(key).exitCode, 1);
        QVERIFY(itemLabels(key).isEmpty());
    }

    void decodesStoredBytes_data()
    {
        QTest::addColumn<Stored>("row");
        QTest::newRow("four-byte sequence") << Stored{"\xF0\x9F\x94\x91", Status::Found, QStringLiteral("🔑")};
        QTest::newRow("empty, yet present") << Stored{{}, Status::Found, {}};
        QTest::newRow("truncated at the end") << Stored{"key\xE2\x82", Status::Failed, {}};
        QTest::newRow("Latin-1 text") << Stored{"Gr\xFC\xDF", Status::Failed, {}};
    }

    void decodesStoredBytes()
    {
        QFETCH(Stored, row);
        const QString key = account(QStringLiteral("bytes"));
        QCOMPARE(QCoro::waitFor(m_store.store(key, row.bytes)), SecretStore::Change::Done);

        const Keychain::ReadResult result = read(key);
        QCOMPARE(result.status, row.status);
        QCOMPARE(result.value, row.value);

        // Reading never deletes, whatever it found.
        const SecretStore::Lookup stored = QCoro::waitFor(m_store.lookup(key));
        QCOMPARE(stored.status, Status::Found);
        QCOMPARE(stored.secret, row.bytes);
    }

    void unencodableValueIsRefused()
    {
        const QString value = QStringLiteral("key") + QChar(0xD83D); // a high surrogate at the end
        const QString key = account(QStringLiteral("unencodable"));
        QVERIFY(write(QStringLiteral("previous"), key));

        QVERIFY(!write(value, key));
        QCOMPARE(read(key).value, QStringLiteral("previous"));
    }

    void serviceIsPartOfTheAddress()
    {
        const QString key = account(QStringLiteral("service"));
        LibsecretStore other(otherService);
        QVERIFY(write(QStringLiteral("ours"), key));
        QCOMPARE(QCoro::waitFor(other.lookup(key)).status, Status::Absent);

        QCOMPARE(QCoro::waitFor(other.store(key, "theirs")), SecretStore::Change::Done);
        QCOMPARE(QCoro::waitFor(other.remove(key)), SecretStore::Change::Done);
        QCOMPARE(read(key).value, QStringLiteral("ours"));
    }

    void keyWithNulIsRefused()
    {
        // Attribute values are C strings: cut at the NUL, the key would address another item.
        const QString key = account(QStringLiteral("nul"));
        QVERIFY(write(QStringLiteral("kept"), key));
        const QString longer = key + QChar::Null + QStringLiteral("suffix");

        QCOMPARE(read(longer).status, Status::Failed);
        QVERIFY(!write(QStringLiteral("other"), longer));
        QVERIFY(!write(QString(), longer));
        QCOMPARE(read(key).value, QStringLiteral("kept"));
    }

    // A keyring that cannot be asked is never taken for an empty one.
    void aFailingKeyringLosesNothing()
    {
        FakeSecretStore store;
        Keychain keychain(store);
        const QString key = QStringLiteral("key");
        QCOMPARE(QCoro::waitFor(keychain.write(QStringLiteral("kept"), key)), Keychain::WriteResult::Saved);
        store.failing = true;
        QCOMPARE(QCoro::waitFor(keychain.read(key)).status, Status::Failed);
        QCOMPARE(QCoro::waitFor(keychain.write(QStringLiteral("new"), key)), Keychain::WriteResult::Failed);
        QCOMPARE(QCoro::waitFor(keychain.write(QString(), key)), Keychain::WriteResult::Failed);
        store.failing = false;
        QCOMPARE(QCoro::waitFor(keychain.read(key)).value, QStringLiteral("kept"));
    }

    void lockedCopyIsNoAnswer_data()
    {
        QTest::addColumn<bool>("unlockedCopy");
        QTest::newRow("only a locked copy") << false;
        QTest::newRow("also an unlocked copy") << true;
    }

    void lockedCopyIsNoAnswer()
    {
        QFETCH(bool, unlockedCopy);
        const Status status = unlockedCopy ? Status::Found : Status::Failed;
        const QString key = account(QStringLiteral("locked"));
        LockedCollection locked;
        const QString error = locked.create(key, "locked secret");
        QVERIFY2(error.isEmpty(), qPrintable(error));
        if (unlockedCopy)
            QVERIFY(storeWithSecretTool(key, QStringLiteral("Added elsewhere"), "unlocked secret"));

        const Keychain::ReadResult result = read(key);
        QCOMPARE(result.status, status);
        QCOMPARE(result.value, unlockedCopy ? QStringLiteral("unlocked secret") : QString());
        // The locked copy would keep the old secret, to be found again once its collection is unlocked.
        QVERIFY(!write(QStringLiteral("new secret"), key));
        QVERIFY(!write(QString(), key));
        QCOMPARE(read(key).status, status);
    }

private:
    Keychain::ReadResult read(const QString& key) { return QCoro::waitFor(m_keychain.read(key)); }
    // Whether the keyring took the value.
    bool write(const QString& value, const QString& key)
    {
        return QCoro::waitFor(m_keychain.write(value, key)) == Keychain::WriteResult::Saved;
    }

    // Unique per run, so reruns and leftovers of a crashed run never collide.
    QString account(const QString& name)
    {
        const QString key = QStringLiteral("test.%1.%2.%3").arg(m_run).arg(m_accounts.size()).arg(name);
        m_accounts.append(key);
        return key;
    }

    const QString m_run = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QStringList m_accounts;
    LibsecretStore m_store;
    Keychain m_keychain{m_store};
};

WISPLET_TEST_MAIN(KeychainTest)

#include "tst_keychain.moc"
