#pragma once

#include "Wisplet/Tools/Business/IntegrationKind.h"
#include "Wisplet/Tools/Business/IntegrationSnapshot.h"

#include <QWidget>

class IntegrationsHub;
class QProgressBar;
class QVBoxLayout;

// One service on the business page: its name, a busy bar while it is fetched, and below either its last
// error, its figures or a loading note. Everything shown comes from the hub.
class IntegrationCard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IntegrationCard)

public:
    static constexpr int maxErrorLines = 3;

    IntegrationCard(IntegrationKind kind, IntegrationsHub& hub, QWidget* parent = nullptr);

    IntegrationKind kind() const { return m_kind; }

    // The text in at most `lines` lines of `width` pixels, the last one ending in "…" when some is left out.
    static QString elidedLines(const QString& text, const QFont& font, int width, int lines);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the body shows: the error wins over the figures, which win over the loading note.
    struct Body
    {
        std::optional<QString> error;
        std::optional<QList<Metric>> metrics;

        friend bool operator==(const Body&, const Body&) = default;
    };

    void updateFromHub();
    void fillBody(const Body& body);

    IntegrationKind m_kind;
    IntegrationsHub& m_hub;
    QProgressBar* m_busy;
    QWidget* m_body;
    QVBoxLayout* m_bodyLayout;
    std::optional<Body> m_shown;
};
