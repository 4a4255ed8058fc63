#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class ToolRegistry;

// One tool in the switcher: its symbol and title, and "Enable" at the far end while it is switched off.
// The whole row is the button.
class ToolSwitcherRow final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolSwitcherRow)

public:
    static constexpr int padding = 10;

    explicit ToolSwitcherRow(ToolID tool, QWidget* parent = nullptr);

    ToolID tool() const { return m_tool; }
    bool showsEnable() const;
    void setEnabledTool(bool enabled);

protected:
    // Plain: the labels are the whole look.
    void paintEvent(QPaintEvent*) override { }
    void changeEvent(QEvent* event) override;

private:
    void updateSymbol();

    ToolID m_tool;
    QLabel* m_symbol;
    QLabel* m_enable;
};

// The searchable list of all ten tools, shown over the island while the registry's switcherPresented is
// set. Typing filters by title; a row or Return opens a tool through the registry, enabling it if need be,
// which also clears the flag. Escape only clears the flag. A fresh switcher starts with an empty query.
class ToolSwitcherView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolSwitcherView)

public:
    static constexpr int preferredWidth = 330;
    static constexpr int preferredHeight = 390;
    static constexpr int padding = 16;
    static constexpr int spacing = 12;
    static constexpr int rowSpacing = 4;

    explicit ToolSwitcherView(ToolRegistry& registry, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return m_search; }
    // The tools whose rows show, in order.
    QList<ToolID> matches() const;
    // Every row, shown or not, in declaration order.
    const QList<ToolSwitcherRow*>& rows() const { return m_rows; }
    bool showsNoMatches() const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildList(QLayout& column);
    void updateRows();
    void openFirstMatch();

    ToolRegistry& m_registry;
    QLineEdit* m_search;
    QList<ToolSwitcherRow*> m_rows;
    QLabel* m_noMatches = nullptr;
};
