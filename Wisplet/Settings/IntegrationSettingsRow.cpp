#include "Wisplet/Settings/IntegrationSettingsRow.h"

#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PlainToolTip.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Settings/SettingsForm.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int resultLines = 2;

} // namespace

IntegrationSettingsRow::IntegrationSettingsRow(IntegrationKind kind, IntegrationsHub& hub, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_hub(hub)
    , m_switch(new QCheckBox(title(kind), this))
    , m_disclosure(new QToolButton(this))
{
    setObjectName(rawValue(kind));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    header->addWidget(m_switch, 1);
    header->addWidget(m_disclosure);
    column->addLayout(header);

    m_switch->setObjectName(QStringLiteral("enabled"));
    m_switch->setIcon(symbolIcon(symbolName(kind), Qt::white));
    m_switch->setChecked(hub.enabled().contains(kind));
    // `clicked` comes only from the user; the hub's own changes come back through `enabledChanged`.
    connect(m_switch, &QCheckBox::clicked, this, [this](bool on) { m_hub.setEnabled(m_kind, on); });
    connect(&hub, &IntegrationsHub::enabledChanged, this, [this](const QSet<IntegrationKind>& enabled) {
        const QSignalBlocker blocker(m_switch);
        m_switch->setChecked(enabled.contains(m_kind));
    });

    m_disclosure->setObjectName(QStringLiteral("disclosure"));
    m_disclosure->setAccessibleName(tr("Details of %1").arg(title(kind)));
    m_disclosure->setAutoRaise(true);
    m_disclosure->setCheckable(true);
    m_disclosure->setArrowType(Qt::RightArrow);
    connect(m_disclosure, &QToolButton::clicked, this, &IntegrationSettingsRow::setExpanded);
}

bool IntegrationSettingsRow::isExpanded() const
{
    return m_body && !m_body->isHidden();
}

void IntegrationSettingsRow::setExpanded(bool open)
{
    if (open && !m_body)
        buildBody();
    if (m_body)
        m_body->setVisible(open);
    const QSignalBlocker blocker(m_disclosure);
    m_disclosure->setChecked(open);
    m_disclosure->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
}

void IntegrationSettingsRow::buildBody()
{
    m_body = new QWidget(this);
    auto* stack = new QVBoxLayout(m_body);
    stack->setContentsMargins(0, 4, 0, 4);
    stack->setSpacing(8);
    SettingsForm::addCaption(stack, helpText(m_kind));
    // Before the inputs: a keyring that refuses at once says so while they are being filled.
    m_keyringProblem = SettingsForm::caption({}, SettingsForm::Tone::warning);
    m_keyringProblem->setObjectName(QStringLiteral("keyringProblem"));
    m_keyringProblem->hide();
    if (!fields(m_kind).isEmpty()) {
        auto* inputs = new QFormLayout;
        inputs->setContentsMargins(0, 0, 0, 0);
        inputs->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        stack->addLayout(inputs);
        for (const IntegrationField& field : fields(m_kind))
            addField(inputs, field);
    }
    stack->addWidget(m_keyringProblem);

    auto* testLine = new QHBoxLayout;
    m_test = new QPushButton(tr("Test"), m_body);
    m_test->setObjectName(QStringLiteral("test"));
    m_test->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_test, &QPushButton::clicked, this, &IntegrationSettingsRow::startTest);
    m_result = SettingsForm::caption({});
    m_result->setObjectName(QStringLiteral("testResult"));
    // Two lines at most, read from the top, the first level with the button's text.
    const int lineHeight = m_result->fontMetrics().lineSpacing();
    const int inset = std::max(0, (m_test->sizeHint().height() - lineHeight) / 2);
    m_result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_result->setContentsMargins(0, inset, 0, 0);
    m_result->setMaximumHeight(inset + lineHeight * resultLines);
    m_result->hide();
    testLine->addWidget(m_test, 0, Qt::AlignTop | Qt::AlignLeft);
    testLine->addWidget(m_result, 1);
    stack->addLayout(testLine);
    layout()->addWidget(m_body);
}

void IntegrationSettingsRow::addField(QFormLayout* inputs, const IntegrationField& field)
{
    auto* input = new QLineEdit(m_body);
    input->setObjectName(field.key);
    input->setPlaceholderText(field.secure ? tr("Reading from the keyring…") : field.placeholder);
    input->setEchoMode(field.secure ? QLineEdit::Password : QLineEdit::Normal);
    // `textEdited`, unlike `textChanged`, comes only from the user: filling the input saves nothing.
    connect(input, &QLineEdit::textEdited, this, [this, field](const QString& text) { save(text, field); });
    auto* title = new QLabel(field.label, m_body);
    title->setTextFormat(Qt::PlainText);
    title->setBuddy(input);
    inputs->addRow(title, input);
    // May fill the input before it returns, when nothing has to wait for the keyring.
    fill(this, input, m_hub, field, m_kind);
}

QCoro::Task<> IntegrationSettingsRow::fill(QPointer<IntegrationSettingsRow> row, QPointer<QLineEdit> input,
                                           IntegrationsHub& hub, IntegrationField field, IntegrationKind kind)
{
    const Keychain::ReadResult read = co_await hub.credential(field, kind);
    if (!row || !input)
        co_return;
    input->setPlaceholderText(field.placeholder);
    // What was typed meanwhile counts instead, and its save says what became of it.
    if (input->isModified())
        co_return;
    if (read.answered())
        input->setText(read.value);
    else
        row->showKeyringProblem(IntegrationsHub::readFailureText(read.status));
}

void IntegrationSettingsRow::save(const QString& text, const IntegrationField& field)
{
    if (field.secure)
        saveSecret(this, m_hub, text, field, m_kind, ++m_saves[field.key]);
    else
        m_hub.saveCredentials(text, field, m_kind);
}

QCoro::Task<> IntegrationSettingsRow::saveSecret(QPointer<IntegrationSettingsRow> row, IntegrationsHub& hub,
                                                 QString text, IntegrationField field, IntegrationKind kind,
                                                 int generation)
{
    const Keychain::WriteResult result = co_await hub.saveCredentials(text, field, kind);
    if (!row || generation != row->m_saves.value(field.key))
        co_return;
    const QString problem = IntegrationsHub::saveFailureText(result);
    if (problem.isEmpty())
        row->m_unkept.remove(field.key);
    else
        row->m_unkept.insert(field.key);
    row->showKeyringProblem(problem);
}

void IntegrationSettingsRow::showKeyringProblem(const QString& text)
{
    m_keyringProblem->setText(text);
    m_keyringProblem->setVisible(!text.isEmpty());
}

void IntegrationSettingsRow::startTest()
{
    m_test->setEnabled(false);
    m_test->setText(tr("Testing…"));
    m_result->hide();
    Credentials typed;
    bool unkept = false;
    for (const IntegrationField& field : fields(m_kind)) {
        if (const auto* input = m_body->findChild<QLineEdit*>(field.key); input && input->isModified()) {
            typed.insert(field.key, input->text());
            unkept = unkept || m_unkept.contains(field.key);
        }
    }
    // May finish before it returns when the connector has nothing to wait for.
    runTest(this, m_hub, m_kind, typed, unkept);
}

QCoro::Task<> IntegrationSettingsRow::runTest(QPointer<IntegrationSettingsRow> row, IntegrationsHub& hub,
                                              IntegrationKind kind, Credentials typed, bool unkept)
{
    const SnapshotResult result = co_await hub.testConnection(kind, std::move(typed));
    if (row)
        row->testFinished(result, unkept);
}

void IntegrationSettingsRow::testFinished(const SnapshotResult& result, bool unkept)
{
    m_test->setEnabled(true);
    m_test->setText(tr("Test"));
    QString text = resultText(result);
    // A failure quotes the service's own words; ours follow them.
    if (unkept)
        text = OutsideText::isolated(text) + tr(" Tested with the key typed here: the keyring refused to keep it.");
    m_result->setText(text);
    m_result->setToolTip(plainToolTip(text));
    SettingsForm::setTone(m_result,
                          text.startsWith(QChar(0x2713)) ? SettingsForm::Tone::success : SettingsForm::Tone::warning);
    m_result->show();
    // The card shows figures from the credentials just proven; a service that is off fetches nothing.
    if (result.ok() && m_hub.enabled().contains(m_kind))
        m_hub.refresh(m_kind);
}

QString IntegrationSettingsRow::resultText(const SnapshotResult& result)
{
    if (!result.ok())
        return result.error().description();
    QStringList shown;
    for (const Metric& metric : result.value().metrics.first(std::min<qsizetype>(2, result.value().metrics.size())))
        shown << metric.label + QStringLiteral(": ") + metric.value;
    return QStringLiteral("✓ ") + shown.join(QStringLiteral(", "));
}

QString IntegrationSettingsRow::helpText(IntegrationKind kind)
{
    switch (kind) {
    case IntegrationKind::stripe:
        return QStringLiteral("Use a restricted key (rk_live_…) with read access to Charges.");
    case IntegrationKind::polar:
        return QStringLiteral("Organization access token with the metrics:read scope.");
    case IntegrationKind::dodo:
        return QStringLiteral("API key from Dodo ▸ Developer. Mode: live or test.");
    case IntegrationKind::lemonSqueezy:
        return QStringLiteral("API key from Settings ▸ API. Store ID is optional.");
    case IntegrationKind::dataFast:
        return QStringLiteral("Website API key (df_…) from the website settings.");
    case IntegrationKind::plausible:
        return QStringLiteral("Stats API key. Base URL only for self-hosted instances.");
    case IntegrationKind::umami:
        return QStringLiteral(
            "Umami Cloud: API key. Self-hosted: base URL like https://umami.example.com/api and a bearer token.");
    case IntegrationKind::github:
        return QStringLiteral("Fine-grained or classic token with notifications and repo read access.");
    case IntegrationKind::claudeCode:
        break;
    }
    return QStringLiteral("Reads today's usage from ~/.claude on this computer. No key needed.");
}
