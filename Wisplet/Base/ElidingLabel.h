#pragma once

#include <QLabel>

// One line that ends in "…" when it gets less room than it asks for. It shows event titles, track names and
// services' figures, so its text is shown as typed, never as markup.
class ElidingLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidingLabel)

public:
    explicit ElidingLabel(QWidget* parent = nullptr);

    QString fullText() const { return m_full; }
    void setFullText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString m_full;
};
