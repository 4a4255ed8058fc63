#pragma once

#include <QWidget>

class QHBoxLayout;
class QLineEdit;

// The panel's search field: a magnifying glass and a frameless line edit on a capsule of faint white,
// drawn over the dark island.
class SearchField final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchField)

public:
    static constexpr int fixedHeight = 26;

    explicit SearchField(const QString& placeholder, QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return m_edit; }
    // Places a small widget (a busy indicator) after the text, inside the capsule.
    void addTrailingWidget(QWidget* widget);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* m_edit;
    QHBoxLayout* m_row;
};
