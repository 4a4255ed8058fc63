#pragma once

#include "Wisplet/Tools/Business/IntegrationKind.h"

#include <QDateTime>
#include <QHash>
#include <QWidget>

class AppEvents;
class Clock;
class IntegrationCard;
class IntegrationsHub;
class QGridLayout;
class QLabel;
class QStackedLayout;
class QTimer;

// The business tool's page: a card per service that is on, in as many columns as fit, with the age of the
// newest result and a refresh button below; with no service on, an invitation to the settings window. It
// keeps nothing of its own: all it shows is the hub's.
class IntegrationsView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IntegrationsView)

public:
    static constexpr int minimumColumnWidth = 150;
    static constexpr int gridSpacing = 8;

    IntegrationsView(IntegrationsHub& hub, Clock& clock, AppEvents& events, QWidget* parent = nullptr);

    // Columns of at least the minimum width that fit side by side; never fewer than one.
    static int columnCount(int width);
    // "Updated 5 sec. ago"; empty before any result.
    static QString footerText(const QDateTime& lastRefresh, const QDateTime& now);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildInvitation(AppEvents& events);
    QWidget* buildCardsPage();
    void updateFromHub();
    void updateCards();
    void placeCards();
    void updateFooter();

    IntegrationsHub& m_hub;
    Clock& m_clock;
    QStackedLayout* m_pages;
    QWidget* m_invitation = nullptr;
    QWidget* m_cardsPage = nullptr;
    QWidget* m_grid = nullptr;
    QGridLayout* m_gridLayout = nullptr;
    QLabel* m_footer = nullptr;
    // Keeps the footer's age current while the page is on screen.
    QTimer* m_ticker;
    QList<IntegrationKind> m_kinds;
    QHash<IntegrationKind, IntegrationCard*> m_cards;
    QList<QWidget*> m_fillers;
    int m_columns = 0;
};
