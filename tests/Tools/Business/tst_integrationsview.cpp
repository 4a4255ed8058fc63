#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Business/IntegrationCard.h"
#include "Wisplet/Tools/Business/IntegrationsView.h"
#include "tests/support/HubFixture.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAccessible>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr auto stripe = IntegrationKind::stripe;

struct BodyRow
{
    QList<SnapshotResult> outcomes;
    // A later fetch still running when the card is read.
    bool fetching;
    QStringList body;
};

struct AgeRow
{
    std::optional<qint64> secondsAgo;
    QString footer;
};

struct ViewFixture : HubFixture
{
    explicit ViewFixture(QList<IntegrationKind> kinds = {})
    {
        for (IntegrationKind kind : kinds)
            hub->setEnabled(kind, true);
        hub->start();
        view.resize(480, 400);
        view.show();
    }

    IntegrationCard* card(IntegrationKind kind)
    {
        return childWhere<IntegrationCard>(view, [kind](const IntegrationCard* card) { return card->kind() == kind; });
    }

    IntegrationsView view{*hub, clock, events};
};

const IntegrationSnapshot figures{{{"Revenue", "$12"}, {"Orders", "3"}}, 3, 12, "USD", {}};

QStringList bodyTexts(const IntegrationCard& card)
{
    QStringList texts;
    for (const QLabel* label : card.findChild<QWidget*>("body")->findChildren<QLabel*>()) {
        const auto* eliding = qobject_cast<const ElidingLabel*>(label);
        texts << (eliding ? eliding->fullText() : label->text());
    }
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(BodyRow)
Q_DECLARE_METATYPE(AgeRow)
Q_DECLARE_METATYPE(Metric)

class IntegrationsViewTest final : public QObject
{
    Q_OBJECT

private slots:
    void cardShowsErrorOverFiguresOverLoading_data()
    {
        QTest::addColumn<BodyRow>("row");
        const IntegrationError badKey = IntegrationError::http(401, "Bad key");
        const QString badKeyText = badKey.description();
        QTest::newRow("first fetch running") << BodyRow{{}, true, {"Loading…"}};
        QTest::newRow("figures") << BodyRow{{figures}, false, {"Revenue", "$12", "Orders", "3"}};
        QTest::newRow("an error hides the kept figures") << BodyRow{{figures, badKey}, false, {badKeyText}};
        QTest::newRow("figures after an error") << BodyRow{{badKey, figures}, false, {"Revenue", "$12", "Orders", "3"}};
        QTest::newRow("no metrics is no loading note") << BodyRow{{IntegrationSnapshot{}}, false, {}};
        QTest::newRow("figures stay while fetching") << BodyRow{{figures}, true, {"Revenue", "$12", "Orders", "3"}};
        QTest::newRow("a server's error body, as typed") << BodyRow{
            {IntegrationError::http(503, "<b>Down</b> for upkeep")}, false, {"HTTP 503: <b>Down</b> for upkeep"}};
    }

    void cardShowsErrorOverFiguresOverLoading()
    {
        QFETCH(BodyRow, row);
        ViewFixture f({stripe});
        for (qsizetype i = 0; i < row.outcomes.size(); ++i) {
            f.connector.finish(i, row.outcomes.at(i));
            if (i + 1 < row.outcomes.size() || row.fetching)
                f.hub->refresh(stripe);
        }
        IntegrationCard* card = f.card(stripe);
        QVERIFY(card);
        QCOMPARE(bodyTexts(*card), row.body);
        QCOMPARE(card->findChild<QProgressBar*>()->isVisibleTo(card), row.fetching);
        // Read as markup, a label would show (and read out) fewer characters than were sent.
        for (QLabel* label : card->findChild<QWidget*>("body")->findChildren<QLabel*>())
            QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), label->text());
    }

    void cutsALongErrorAfterThreeLines()
    {
        const QFont font;
        const QString error = QString("The service answered with something long. ").repeated(12);
        const QString shown = IntegrationCard::elidedLines(error, font, 150, IntegrationCard::maxErrorLines);
        QCOMPARE(shown.count('\n'), IntegrationCard::maxErrorLines - 1);
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QCOMPARE(IntegrationCard::elidedLines("Short.", font, 150, IntegrationCard::maxErrorLines), "Short.");
    }

    void figuresGivenTheRoomTheyAskForShowWhole()
    {
        // Widths with a fraction of a pixel once came out a pixel short and cut the last character.
        for (const QString& text : QStringList{"€96.00", "$1,204.50", "1.2M", "50+"}) {
            ElidingLabel label;
            QFont font = label.font();
            font.setPixelSize(11);
            label.setFont(font);
            label.setFullText(text);
            label.resize(label.sizeHint());
            label.show();
            QCOMPARE(label.text(), text);
        }
    }

    void showsEveryFigureWhole_data()
    {
        QTest::addColumn<Metric>("metric");
        QTest::addColumn<bool>("oneLine");
        QTest::newRow("short") << Metric{"Orders", "3"} << true;
        QTest::newRow("partial month") << Metric{"This month", "$1,234,567.89 · PARTIAL"} << false;
        QTest::newRow("long label") << Metric{"Revenue today (partial)", "€96.00"} << false;
    }

    // At the usual four columns, a figure that does not fit beside its label goes below it, whole.
    void showsEveryFigureWhole()
    {
        QFETCH(Metric, metric);
        QFETCH(bool, oneLine);
        ViewFixture f({stripe, IntegrationKind::polar, IntegrationKind::github, IntegrationKind::dataFast});
        f.connector.finish(0, IntegrationSnapshot{{metric}, 3, 12, "USD", {}});
        f.view.resize(4 * 150 + 3 * 8 + 12, 400);
        QApplication::processEvents();
        const QWidget* body = f.card(stripe)->findChild<QWidget*>("body");
        const auto* label = childWhere<ElidingLabel>(*body, [](const ElidingLabel*) { return true; });
        const auto* value =
            childWhere<QLabel>(*body, [&metric](const QLabel* found) { return found->text() == metric.value; });
        QVERIFY(label && value);
        QCOMPARE(value->y() == label->y(), oneLine);
        const QRect shown = value->geometry().translated(value->parentWidget()->mapTo(body, QPoint()));
        QVERIFY(body->rect().contains(shown));
        QVERIFY(value->height() >= value->heightForWidth(value->width()) || oneLine);
        QVERIFY(label->width() >= std::min(label->sizeHint().width(), body->width()));
    }

    void invitesToSettingsUntilAServiceIsOn()
    {
        ViewFixture f;
        QSignalSpy opened(&f.events, &AppEvents::openSettings);
        auto* open = f.view.findChild<PillButton*>();
        QVERIFY(open->isVisible());
        QVERIFY(f.view.findChildren<IntegrationCard*>().isEmpty());
        open->click();
        QCOMPARE(opened.count(), 1);

        f.hub->setEnabled(IntegrationKind::github, true);
        QVERIFY(!open->isVisible());
        QVERIFY(f.card(IntegrationKind::github));
        f.hub->setEnabled(IntegrationKind::github, false);
        QVERIFY(open->isVisible());
        QCOMPARE(f.view.findChildren<IntegrationCard*>().size(), 0);
    }

    void footerTellsTheAgeOfTheNewestResult_data()
    {
        QTest::addColumn<AgeRow>("row");
        QTest::newRow("no result yet") << AgeRow{{}, ""};
        QTest::newRow("clock set back") << AgeRow{-20, "Updated 0 sec. ago"};
        QTest::newRow("seconds") << AgeRow{59, "Updated 59 sec. ago"};
        QTest::newRow("a minute") << AgeRow{60, "Updated 1 min. ago"};
        QTest::newRow("hours") << AgeRow{2 * 3600 + 3599, "Updated 2 hr. ago"};
        QTest::newRow("one day") << AgeRow{86'400, "Updated 1 day ago"};
        QTest::newRow("days") << AgeRow{3 * 86'400, "Updated 3 days ago"};
    }

    void footerTellsTheAgeOfTheNewestResult()
    {
        QFETCH(AgeRow, row);
        const QDateTime now(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC);
        const QDateTime last = row.secondsAgo ? now.addSecs(-*row.secondsAgo) : QDateTime();
        QCOMPARE(IntegrationsView::footerText(last, now), row.footer);
    }

    void refreshAllSkipsAServiceStillFetching()
    {
        ViewFixture f({stripe, IntegrationKind::github});
        f.connector.finish(0, figures);
        f.view.findChild<QToolButton*>()->click();
        QCOMPARE(f.connector.calls.size(), size_t(3));
        QCOMPARE(f.connector.calls.back()->kind, stripe);
    }

    void ticksOnlyWhileShown()
    {
        ViewFixture f({stripe});
        auto* ticker = f.view.findChild<QTimer*>();
        QVERIFY(ticker->isActive());
        f.view.hide();
        QVERIFY(!ticker->isActive());
    }
};

WISPLET_WIDGETS_TEST_MAIN(IntegrationsViewTest)
#include "tst_integrationsview.moc"
