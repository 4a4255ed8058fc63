#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"

#include <QPointer>
#include <QWidget>

class IntegrationsHub;
class QCheckBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QToolButton;

// One service on the integrations page: its switch in the header, and behind a disclosure control its help
// line, credential inputs and a connection test. Inputs save through the hub at every keystroke; what the user
// typed stays in the input, the row's own copy, even when the keyring refused it. Collapsed at first, and the
// keyring is read only when the row is first opened.
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
    void startTest();
    static QCoro::Task<> runTest(QPointer<IntegrationSettingsRow> row, IntegrationsHub& hub, IntegrationKind kind);
    void testFinished(const SnapshotResult& result);

    IntegrationKind m_kind;
    IntegrationsHub& m_hub;
    QCheckBox* m_switch;
    QToolButton* m_disclosure;
    QWidget* m_body = nullptr;
    QPushButton* m_test = nullptr;
    QLabel* m_result = nullptr;
};
