#pragma once

#include <QObject>

// A synthetic Ctrl+V into whatever window has the keyboard focus.
class PasteKeystroke : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether keystrokes can be posted at all in this session.
    virtual bool isPermitted() const = 0;
    // Presses and releases Ctrl+V; false when it could not be sent.
    virtual bool postPaste() = 0;
};

// Where no keystrokes can be made: pasting is left to the user.
class NullPasteKeystroke final : public PasteKeystroke
{
    Q_OBJECT

public:
    using PasteKeystroke::PasteKeystroke;

    bool isPermitted() const override { return false; }
    bool postPaste() override { return false; }
};
