#pragma once

#include "Wisplet/Platform/PasteKeystroke.h"
#include "Wisplet/Platform/XcbSession.h"

#include <memory>

// Ctrl+V through the XTest extension over Qt's own X connection.
class XTestPasteKeystroke final : public PasteKeystroke
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XTestPasteKeystroke)

public:
    explicit XTestPasteKeystroke(const XcbSession& session, QObject* parent = nullptr);
    ~XTestPasteKeystroke() override;

    // This one on an X11 session with XTest; the Null one otherwise.
    static std::unique_ptr<PasteKeystroke> forSession(QObject* parent = nullptr);

    bool isPermitted() const override { return m_hasXTest; }
    bool postPaste() override;

private:
    XcbSession m_session;
    bool m_hasXTest = false;
};
