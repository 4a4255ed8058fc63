#pragma once

#include <QObject>

// The desktop's own "reduce animations" choice.
class MotionSetting : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool reduceMotion() const = 0;

signals:
    void reduceMotionChanged(bool reduce);
};

// Where the desktop says nothing, motion is not reduced.
class NullMotionSetting final : public MotionSetting
{
    Q_OBJECT

public:
    using MotionSetting::MotionSetting;
    bool reduceMotion() const override { return false; }
};
