#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>

class IntegrationsHub;
class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// One service on the integrations page: its switch in the header, and behind a disclosure control its help
// line, credential inputs and a connection test. Inputs save through the hub at every keystroke; what the user
// typed stays in the input, the row's own copy, even when the keyring refused it, which the row then says.
// Collapsed at first, and the keyring is read only when the row is first opened; its inputs take typing while
// the keyring has not answered yet, and what was typed wins over the late answer.
class IntegrationSettingsRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IntegrationSettingsRow)

public:
    IntegrationSettingsRow(IntegrationKind kind, IntegrationsHub& hub, QWidget* parent = nullptr);

    IntegrationKind kind() const { return m_kind; }
    bool isExpanded() const;
    void setExpanded(bool open);

    // The test line for a result: "✓ " and the first two metrics, or the error's text.
    static QString resultText(const SnapshotResult& result);
    static QString helpText(IntegrationKind kind);

private:
    void buildBody();
    void addField(QFormLayout* inputs, const IntegrationField& field);
    static QCoro::Task<> fill(QPointer<IntegrationSettingsRow> row, QPointer<QLineEdit> input, IntegrationsHub& hub,
                              IntegrationField field, IntegrationKind kind);
    void save(const QString& text, const IntegrationField& field);
    static QCoro::Task<> saveSecret(QPointer<IntegrationSettingsRow> row, IntegrationsHub& hub, QString text,
                                    IntegrationField field, IntegrationKind kind, int generation);
    // Says what the keyring did not do for this row's secrets; an empty text takes it back.
    void showKeyringProblem(const QString& text);
    // Tests with what the inputs show: what was typed, kept by the keyring or not, and the stored rest.
    void startTest();
    static QCoro::Task<> runTest(QPointer<IntegrationSettingsRow> row, IntegrationsHub& hub, IntegrationKind kind,
                                 Credentials typed, bool unkept);
    void testFinished(const SnapshotResult& result, bool unkept);

    IntegrationKind m_kind;
    IntegrationsHub& m_hub;
    QCheckBox* m_switch;
    QToolButton* m_disclosure;
    QWidget* m_body = nullptr;
    QLabel* m_keyringProblem = nullptr;
    QPushButton* m_test = nullptr;
    QLabel* m_result = nullptr;
    // Raised by every edit of a secret field: only the newest save of a field is said.
    QHash<QString, int> m_saves;
    // The secret fields whose newest text the keyring refused or did not take in time.
    QSet<QString> m_unkept;
};
