#pragma once

#include "Wisplet/Tools/Business/CancelToken.h"
#include "Wisplet/Tools/Weather/WeatherData.h"

#include <QPointer>
#include <QWidget>

#include <QCoro/QCoroTask>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QScrollArea;
class QStackedLayout;
class QToolButton;
class PillButton;
class WeatherTool;

// The weather tool's page: the key request, the forecast (current conditions with the next hours or the
// week), or the city picker. Everything kept across showings lives in the store.
class WeatherView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WeatherView)

public:
    enum class Page { key, forecast, picker };

    explicit WeatherView(WeatherTool& tool, QWidget* parent = nullptr);
    ~WeatherView() override;

    static Page pageFor(bool needsKey, bool hasPlace, bool picking);
    Page page() const;
    bool isSearching() const { return m_searching; }
    QList<WeatherPlace> results() const { return m_results; }

private:
    static QCoro::Task<> runSearch(QPointer<WeatherView> view, WeatherTool& tool, QString text, int generation,
                                   CancelToken cancel);
    QWidget* buildKeyPage();
    QWidget* buildForecastPage();
    QWidget* buildPickerPage();
    void updatePage();
    void updateHeader();
    void updateForecast();
    void updatePicker();
    void updateResults();
    void search();
    void searchFinished(const QString& text, int generation, const QList<WeatherPlace>& places);
    void pick(const WeatherPlace& place);
    void setPicking(bool picking);
    void setSearching(bool searching);

    WeatherTool& m_tool;
    bool m_picking = false;
    QList<WeatherPlace> m_results;
    bool m_searching = false;
    bool m_showWeek = false;
    int m_searchGeneration = 0;
    CancelToken m_searchCancel;

    QStackedLayout* m_pages;
    QToolButton* m_placeButton = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_current = nullptr;
    QLabel* m_currentSymbol = nullptr;
    QLabel* m_temperature = nullptr;
    QLabel* m_condition = nullptr;
    QLabel* m_details = nullptr;
    QBoxLayout* m_strip = nullptr;
    QProgressBar* m_loading = nullptr;
    QToolButton* m_weekToggle = nullptr;
    QLineEdit* m_field = nullptr;
    QProgressBar* m_searchSpinner = nullptr;
    QLabel* m_hint = nullptr;
    QScrollArea* m_resultScroll = nullptr;
    QWidget* m_resultList = nullptr;
    PillButton* m_cancel = nullptr;
};
