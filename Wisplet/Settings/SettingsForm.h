#pragma once

#include <QScrollArea>
#include <QVariant>

#include <functional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QVBoxLayout;

// A settings page's grouped form: sections of rows, each under an optional header, on a page that scrolls
// when the window is too short. The helpers fill every control before connecting it and connect only the
// signals a user's own edit raises, so showing a page writes nothing.
class SettingsForm final : public QScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsForm)

public:
    enum class Tone {
        secondary,
        warning,
        success,
    };
    using Option = std::pair<QString, QVariant>;

    explicit SettingsForm(QWidget* parent = nullptr);

    // A new section; its rows go into the returned layout.
    QVBoxLayout* addSection(const QString& header = {});

    static QCheckBox* addSwitch(QVBoxLayout* section, const QString& text, bool on,
                                std::function<void(bool on)> edited);
    // A labelled drop-down whose options carry their values; `edited` gets the value the user picked.
    static QComboBox* addPicker(QVBoxLayout* section, const QString& title, const QList<Option>& options,
                                const QVariant& current, std::function<void(const QVariant& value)> edited);
    static QLabel* addCaption(QVBoxLayout* section, const QString& text, Tone tone = Tone::secondary);
    // A caption for a layout of the caller's own (beside a button, say).
    static QLabel* caption(const QString& text, Tone tone = Tone::secondary);
    static void setTone(QLabel* caption, Tone tone);

private:
    QVBoxLayout* m_column;
};
