#include "Wisplet/Settings/SettingsFileMessage.h"

#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Settings/SettingsForm.h"

#include <QLabel>

QLabel* settingsFileMessage(Defaults& defaults, QWidget* parent)
{
    QLabel* line = SettingsForm::caption({});
    line->setParent(parent);
    line->setObjectName(QStringLiteral("settingsFileMessage"));
    const auto follow = [line, &defaults] {
        const bool failed = !defaults.errorText().isEmpty();
        line->setText(failed ? defaults.errorText() : defaults.notice());
        SettingsForm::setTone(line, failed ? SettingsForm::Tone::warning : SettingsForm::Tone::secondary);
        line->setVisible(!line->text().isEmpty());
    };
    follow();
    QObject::connect(&defaults, &Defaults::errorTextChanged, line, follow);
    QObject::connect(&defaults, &Defaults::noticeChanged, line, follow);
    return line;
}
