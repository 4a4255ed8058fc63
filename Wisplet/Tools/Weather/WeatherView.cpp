#include "Wisplet/Tools/Weather/WeatherView.h"

#include "Wisplet/Base/EvenDigitsLabel.h"
#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/LinkButton.h"
#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SearchField.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Weather/WeatherCodes.h"
#include "Wisplet/Tools/Weather/WeatherEndpoints.h"
#include "Wisplet/Tools/Weather/WeatherTexts.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int hourColumns = 7;

QColor whiteAt(double opacity)
{
    QColor color(Qt::white);
    color.setAlphaF(float(opacity));
    return color;
}

QString rgba(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF());
}

QFont fontOf(const QWidget* widget, int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = widget->font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QLabel* styled(QLabel* label, int pixels, const QColor& color, QFont::Weight weight = QFont::Normal)
{
    label->setFont(fontOf(label, pixels, weight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QLabel* textLabel(int pixels, const QColor& color, QWidget* parent, QFont::Weight weight = QFont::Normal)
{
    return styled(new QLabel(parent), pixels, color, weight);
}

QLabel* symbolLabel(const QString& name, int pixels, const QColor& tint, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(pixels, pixels);
    label->setPixmap(symbolPixmap(name, QSize(pixels, pixels), tint, parent->devicePixelRatioF()));
    return label;
}

// A borderless button of text and symbol, as the panel's small controls are.
QToolButton* plainButton(const QString& text, const QString& icon, int pixels, const QColor& color, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(fontOf(button, pixels, text.isEmpty() ? QFont::Normal : QFont::DemiBold));
    button->setText(text);
    if (!icon.isEmpty()) {
        button->setIcon(symbolIcon(icon, color));
        button->setIconSize(QSize(pixels, pixels));
    }
    button->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    button->setStyleSheet(
        QStringLiteral("QToolButton { background: transparent; color: %1; border-radius: 4px; }").arg(rgba(color))
        + KeyboardPaths::focusRingRules(QStringLiteral("QToolButton")));
    return button;
}

// Later, since the clicked result button that led here is still handling its click.
void clearLayout(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

// One column of the hourly strip or the week.
QWidget* forecastColumn(const QString& top, const QString& symbol, const QString& bottom, bool tile, QWidget* parent)
{
    auto* column = new QFrame(parent);
    column->setObjectName(QStringLiteral("forecastColumn"));
    if (tile)
        column->setStyleSheet(
            QStringLiteral("#forecastColumn { background: %1; border-radius: 8px; }").arg(rgba(whiteAt(0.06))));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, tile ? 6 : 0, 0, tile ? 6 : 0);
    layout->setSpacing(4);
    QLabel* heading = textLabel(9, tile ? whiteAt(0.5) : whiteAt(0.6), column);
    heading->setText(top);
    // The hours' temperatures keep even digits, as a row of figures reads best.
    QLabel* value =
        tile ? styled(new EvenDigitsLabel(column), 13, Qt::white, QFont::Medium) : textLabel(9, Qt::white, column);
    value->setText(bottom);
    layout->addWidget(heading, 0, Qt::AlignHCenter);
    layout->addWidget(symbolLabel(symbol, 12, whiteAt(0.85), column), 0, Qt::AlignHCenter);
    layout->addWidget(value, 0, Qt::AlignHCenter);
    return column;
}

// A place from the search on a button: the bidi controls of each part kept inside that part, its "&" shown as
// itself rather than taken for a shortcut marker.
QString buttonText(const WeatherPlace& place)
{
    QStringList shown;
    for (const QString& part : place.parts())
        shown.append(OutsideText::isolated(part));
    return MenuBuilder::escapedText(shown.join(QStringLiteral(", ")));
}

} // namespace

WeatherView::WeatherView(WeatherTool& tool, QWidget* parent)
    : QWidget(parent)
    , m_tool(tool)
    , m_pages(new QStackedLayout(this))
{
    m_pages->addWidget(buildKeyPage());
    m_pages->addWidget(buildForecastPage());
    m_pages->addWidget(buildPickerPage());
    connect(&m_tool, &WeatherTool::changed, this, [this] {
        updatePage();
        updateHeader();
    });
    connect(&m_tool, &WeatherTool::forecastChanged, this, &WeatherView::updateForecast);
    connect(&m_tool, &WeatherTool::loadingChanged, this, &WeatherView::updateForecast);
    // Which page shows depends on whether a key is stored.
    m_tool.loadKey();
    updatePage();
    updateHeader();
    updateForecast();
    updateResults();
}

WeatherView::~WeatherView()
{
    // A search ending now must find itself outdated.
    ++m_searchGeneration;
    m_searchCancel.cancel();
}

WeatherView::Page WeatherView::pageFor(bool needsKey, bool hasPlace, bool picking)
{
    if (needsKey)
        return Page::key;
    return hasPlace && !picking ? Page::forecast : Page::picker;
}

WeatherView::Page WeatherView::page() const
{
    return Page(m_pages->currentIndex());
}

QWidget* WeatherView::buildKeyPage()
{
    auto* page = new QWidget(this);
    QLabel* text = textLabel(11, whiteAt(0.55), page);
    text->setText(QStringLiteral("Weather needs your Open-Meteo customer API key. Add it in Settings → Tools. "
                                 "Your city is sent only to Open-Meteo."));
    text->setWordWrap(true);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(text);
    column->addStretch();
    return page;
}

QWidget* WeatherView::buildForecastPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto* header = new QHBoxLayout;
    m_placeButton = plainButton({}, QStringLiteral("location.fill"), 13, whiteAt(0.7), page);
    m_placeButton->setIconSize(QSize(9, 9));
    m_placeButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_placeButton->setFont(fontOf(m_placeButton, 13, QFont::DemiBold));
    connect(m_placeButton, &QToolButton::clicked, this, [this] { setPicking(true); });
    m_status = textLabel(12, whiteAt(0.4), page);
    m_status->setTextFormat(Qt::PlainText);
    QToolButton* refresh = plainButton({}, QStringLiteral("arrow.clockwise"), 13, whiteAt(0.5), page);
    refresh->setToolTip(QStringLiteral("Refresh"));
    connect(refresh, &QToolButton::clicked, &m_tool, &WeatherTool::refresh);
    header->addWidget(m_placeButton);
    header->addStretch();
    header->addWidget(m_status);
    header->addWidget(refresh);
    column->addLayout(header);

    m_current = new QWidget(page);
    auto* current = new QVBoxLayout(m_current);
    current->setContentsMargins(0, 0, 0, 0);
    current->setSpacing(10);
    auto* now = new QHBoxLayout;
    now->setSpacing(14);
    m_currentSymbol = new QLabel(m_current);
    m_currentSymbol->setFixedSize(34, 34);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_temperature = textLabel(28, Qt::white, m_current, QFont::DemiBold);
    m_condition = textLabel(13, whiteAt(0.6), m_current);
    m_details = textLabel(12, whiteAt(0.65), m_current);
    texts->addWidget(m_temperature);
    texts->addWidget(m_condition);
    texts->addWidget(m_details);
    now->addWidget(m_currentSymbol);
    now->addLayout(texts);
    now->addStretch();
    current->addLayout(now);
    m_strip = new QHBoxLayout;
    current->addLayout(m_strip);
    column->addWidget(m_current);

    m_loading = toolBusyIndicator(page, 80);
    column->addWidget(m_loading, 0, Qt::AlignHCenter);
    column->addStretch();

    auto* footer = new QHBoxLayout;
    m_weekToggle = plainButton({}, {}, 9, whiteAt(0.55), page);
    m_weekToggle->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(m_weekToggle, &QToolButton::clicked, this, [this] {
        m_showWeek = !m_showWeek;
        updateForecast();
    });
    auto* attribution = new LinkButton(QStringLiteral("Weather: Open-Meteo · GeoNames"), QUrl(WeatherEndpoints::site()),
                                       whiteAt(0.55), page);
    attribution->setFont(fontOf(attribution, 9));
    footer->addWidget(m_weekToggle);
    footer->addStretch();
    footer->addWidget(attribution);
    column->addLayout(footer);
    return page;
}

QWidget* WeatherView::buildPickerPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* search = new SearchField(QStringLiteral("City, e.g. Lisbon"), page);
    m_field = search->lineEdit();
    connect(m_field, &QLineEdit::returnPressed, this, &WeatherView::search);
    m_searchSpinner = toolBusyIndicator(search, 24);
    search->addTrailingWidget(m_searchSpinner);
    column->addWidget(search);

    m_hint = textLabel(13, whiteAt(0.65), page);
    column->addWidget(m_hint);
    auto* scroll = m_resultScroll = new QScrollArea(page);
    scroll->setFrameShape(QFrame::NoFrame);
    // The places found take the keyboard one by one; the area around them would be a stop that shows nothing.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    m_resultList = new QWidget(scroll);
    auto* results = new QVBoxLayout(m_resultList);
    results->setContentsMargins(0, 0, 0, 0);
    results->setSpacing(2);
    scroll->setWidget(m_resultList);
    column->addWidget(scroll, 1);

    m_cancel = new PillButton(QStringLiteral("Cancel"), QStringLiteral("xmark"), false, page);
    connect(m_cancel, &PillButton::clicked, this, [this] { setPicking(false); });
    column->addWidget(m_cancel, 0, Qt::AlignLeft);
    return page;
}

void WeatherView::updatePage()
{
    const Page page = pageFor(m_tool.needsKey(), m_tool.place().has_value(), m_picking);
    m_pages->setCurrentIndex(int(page));
    updatePicker();
}

void WeatherView::updateHeader()
{
    m_placeButton->setText(m_tool.place() ? buttonText(*m_tool.place()) : QString());
    const bool failed = !m_tool.errorText().isEmpty();
    m_status->setText(failed ? m_tool.errorText()
                          : m_tool.keyState() == WeatherTool::KeyState::reading
                          ? QStringLiteral("Waiting for the keyring…")
                          : m_tool.updatedAt().isValid()
                          ? QLocale().toString(m_tool.updatedAt().toLocalTime().time(), QLocale::ShortFormat)
                          : QString());
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText, failed ? QColor(255, 149, 0) : whiteAt(0.4));
    m_status->setPalette(palette);
}

void WeatherView::updateForecast()
{
    const std::optional<WeatherCurrent> current = m_tool.current();
    m_current->setVisible(current.has_value());
    m_loading->setVisible(!current && m_tool.isLoading());
    m_weekToggle->setText(m_showWeek ? QStringLiteral("Next hours") : QStringLiteral("Seven days"));
    clearLayout(m_strip);
    if (!current)
        return;
    const bool night = WeatherTexts::isNight(m_tool.clock().now().toLocalTime().time());
    m_currentSymbol->setPixmap(
        symbolPixmap(WeatherCodes::symbolName(current->code, night), QSize(34, 34), Qt::white, devicePixelRatioF()));
    m_temperature->setText(WeatherTexts::temperatureText(current->temperature, m_tool.useFahrenheit()));
    m_condition->setText(WeatherTexts::conditionLine(current->code, current->feelsLike));
    m_details->setText(WeatherTexts::humidityWindLine(current->humidity, current->wind));

    m_strip->setSpacing(m_showWeek ? 5 : 6);
    if (m_showWeek) {
        for (const WeatherDay& day : m_tool.days())
            m_strip->addWidget(forecastColumn(WeatherTexts::weekdayText(day.date),
                                              WeatherCodes::symbolName(day.code, false),
                                              WeatherTexts::dayRangeText(day.high, day.low), false, m_current),
                               1);
        return;
    }
    for (const WeatherHour& hour : m_tool.hours().mid(0, hourColumns))
        m_strip->addWidget(forecastColumn(WeatherTexts::hourText(hour.date.toLocalTime().time()),
                                          WeatherCodes::symbolName(hour.code, false),
                                          WeatherTexts::degreesText(hour.temperature), true, m_current),
                           1);
}

void WeatherView::updatePicker()
{
    const bool hasPlace = m_tool.place().has_value();
    m_hint->setText(hasPlace ? QStringLiteral("Type a city and press return.")
                             : QStringLiteral("Pick a city to see the weather."));
    m_hint->setVisible(m_results.isEmpty());
    m_resultScroll->setVisible(!m_results.isEmpty());
    m_cancel->setVisible(hasPlace);
    m_searchSpinner->setVisible(m_searching);
}

void WeatherView::updateResults()
{
    QLayout* list = m_resultList->layout();
    clearLayout(list);
    for (const WeatherPlace& place : std::as_const(m_results)) {
        auto* button = new QPushButton(buttonText(place), m_resultList);
        button->setFont(fontOf(button, 12));
        button->setFixedHeight(26);
        button->setCursor(Qt::PointingHandCursor);
        button->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 0 6px; "
                                             "border-radius: 7px; color: white; background: %1; }")
                                  .arg(rgba(whiteAt(0.06)))
                              + KeyboardPaths::focusRingRules(QStringLiteral("QPushButton")));
        connect(button, &QPushButton::clicked, this, [this, place] { pick(place); });
        list->addWidget(button);
    }
    static_cast<QVBoxLayout*>(list)->addStretch();
    updatePicker();
}

void WeatherView::search()
{
    // A line edit holds no line breaks, so trimming spaces is trimming whitespace.
    const QString text = WeatherTexts::searchText(m_field->text());
    if (text.isEmpty())
        return;
    setSearching(true);
    // First: the older search, cancelled, may end at once and must find itself outdated.
    const int generation = ++m_searchGeneration;
    std::exchange(m_searchCancel, CancelToken()).cancel();
    runSearch(this, m_tool, text, generation, m_searchCancel);
}

QCoro::Task<> WeatherView::runSearch(QPointer<WeatherView> view, WeatherTool& tool, QString text, int generation,
                                     CancelToken cancel)
{
    const QList<WeatherPlace> places = co_await tool.searchPlaces(text, cancel);
    if (view)
        view->searchFinished(text, generation, places);
}

void WeatherView::searchFinished(const QString& text, int generation, const QList<WeatherPlace>& places)
{
    if (generation != m_searchGeneration)
        return;
    // The newest search is over whatever becomes of its places; nothing else would stop the spinner.
    setSearching(false);
    if (m_field->text().trimmed() != text)
        return;
    m_results = places;
    updateResults();
}

void WeatherView::pick(const WeatherPlace& place)
{
    m_picking = false;
    m_results.clear();
    m_field->clear();
    updateResults();
    m_tool.setPlace(place);
    updatePage();
}

void WeatherView::setPicking(bool picking)
{
    m_picking = picking;
    updatePage();
    if (picking)
        m_field->setFocus();
}

void WeatherView::setSearching(bool searching)
{
    m_searching = searching;
    m_searchSpinner->setVisible(searching);
}
