#pragma once

#include <QWidget>

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* m_edit;
};
