#include "Wisplet/Tools/Clipboard/ClipListAccessible.h"

#include "Wisplet/Tools/Clipboard/ClipList.h"
#include "Wisplet/Tools/Clipboard/ClipListModel.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace {

const QString copyAction = QStringLiteral("Copy to clipboard");

QString buttonName(ClipRow::Part part, bool pinned)
{
    if (part == ClipRow::Part::remove)
        return QStringLiteral("Delete clipboard item");
    return pinned ? QStringLiteral("Unpin item") : QStringLiteral("Pin item");
}

class ListAccessible;

// A row or one of its buttons. It stands for a row number and reads the list each time it is asked, as the
// list shows its entries changed in place; it is valid while the list has that row.
class PartAccessible final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    PartAccessible(ClipList* list, int row, ClipRow::Part part)
        : m_list(list)
        , m_row(row)
        , m_part(part)
    { }

    bool belongsTo(const ClipList* list, ClipRow::Part part) const { return m_list == list && m_part == part; }
    int row() const { return m_row; }

    bool isValid() const override { return m_list && m_row < m_list->model()->rowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override;
    int childCount() const override { return isRow() ? 2 : 0; }
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override;
    QAccessible::Role role() const override { return isRow() ? QAccessible::ListItem : QAccessible::Button; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {isRow() ? copyAction : pressAction()}; }
    void doAction(const QString& name) override
    {
        // As Return on the row or the button.
        if (isValid() && actionNames().contains(name))
            m_list->activate(index(), m_part);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    bool isRow() const { return m_part == ClipRow::Part::row; }
    QModelIndex index() const { return m_list->model()->index(m_row, 0); }
    ListAccessible* list() const;

    QPointer<ClipList> m_list;
    int m_row;
    ClipRow::Part m_part;
};

class ListAccessible final : public QAccessibleWidget
{
public:
    explicit ListAccessible(ClipList* list)
        : QAccessibleWidget(list, QAccessible::List)
    { }

    // The parts asked for are kept, and registered, as long as the list.
    ~ListAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_parts))
            QAccessible::deleteAccessibleInterface(id);
    }

    PartAccessible* part(int row, ClipRow::Part part) const
    {
        const qint64 key = qint64(row) * 3 + int(part);
        if (const QAccessible::Id id = m_parts.value(key))
            return static_cast<PartAccessible*>(QAccessible::accessibleInterface(id));
        auto* made = new PartAccessible(list(), row, part);
        m_parts.insert(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    int childCount() const override { return list()->model()->rowCount(); }
    QAccessibleInterface* child(int index) const override
    {
        return index >= 0 && index < childCount() ? part(index, ClipRow::Part::row) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* row = dynamic_cast<const PartAccessible*>(child);
        return row && row->belongsTo(list(), ClipRow::Part::row) && row->isValid() ? row->row() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QModelIndex index = list()->indexAt(list()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? part(index.row(), ClipRow::Part::row) : nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        const QModelIndex current = list()->currentIndex();
        return list()->hasFocus() && current.isValid() ? part(current.row(), list()->currentPart()) : nullptr;
    }

private:
    ClipList* list() const { return static_cast<ClipList*>(widget()); }

    // By row and part.
    mutable QHash<qint64, QAccessible::Id> m_parts;
};

ListAccessible* PartAccessible::list() const
{
    return static_cast<ListAccessible*>(QAccessible::queryAccessibleInterface(m_list));
}

QAccessibleInterface* PartAccessible::parent() const
{
    if (!m_list)
        return nullptr;
    return isRow() ? static_cast<QAccessibleInterface*>(list()) : list()->part(m_row, ClipRow::Part::row);
}

QAccessibleInterface* PartAccessible::child(int index) const
{
    if (!isValid() || index < 0 || index >= childCount())
        return nullptr;
    return list()->part(m_row, index == 0 ? ClipRow::Part::pin : ClipRow::Part::remove);
}

int PartAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* button = dynamic_cast<const PartAccessible*>(child);
    if (!isRow() || !button || button->m_row != m_row)
        return -1;
    return button->belongsTo(m_list, ClipRow::Part::pin)   ? 0
        : button->belongsTo(m_list, ClipRow::Part::remove) ? 1
                                                           : -1;
}

QAccessibleInterface* PartAccessible::childAt(int x, int y) const
{
    if (!isRow() || !isValid())
        return nullptr;
    const ClipRow::Part at =
        ClipRow::partAt(m_list->visualRect(index()), m_list->viewport()->mapFromGlobal(QPoint(x, y)));
    return at == ClipRow::Part::row ? nullptr : list()->part(m_row, at);
}

QString PartAccessible::text(QAccessible::Text kind) const
{
    if (!isValid())
        return {};
    if (!isRow())
        return kind == QAccessible::Name ? buttonName(m_part, index().data(ClipListModel::pinnedRole).toBool())
                                         : QString();
    switch (kind) {
    case QAccessible::Name:
        return index().data(Qt::AccessibleTextRole).toString();
    case QAccessible::Description:
        return index().data(Qt::AccessibleDescriptionRole).toString();
    default:
        return {};
    }
}

QRect PartAccessible::rect() const
{
    if (!isValid())
        return {};
    const QRect area = ClipRow::layout(m_list->visualRect(index())).of(m_part);
    return {m_list->viewport()->mapToGlobal(area.topLeft()), area.size()};
}

QAccessible::State PartAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    state.focusable = true;
    state.focused = m_list->hasFocus() && m_list->currentIndex().row() == m_row && m_list->currentPart() == m_part;
    const QRect area = ClipRow::layout(m_list->visualRect(index())).of(m_part);
    state.offscreen = !m_list->viewport()->rect().intersects(area);
    state.invisible = state.offscreen || !m_list->isVisible();
    return state;
}

QAccessibleInterface* makeList(const QString& className, QObject* object)
{
    if (className == QLatin1String("ClipList") && object && object->isWidgetType())
        return new ListAccessible(static_cast<ClipList*>(object));
    return nullptr;
}

} // namespace

namespace ClipListAccessible {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(makeList);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface* part(ClipList& list, int row, ClipRow::Part part)
{
    return static_cast<ListAccessible*>(QAccessible::queryAccessibleInterface(&list))->part(row, part);
}

} // namespace ClipListAccessible
