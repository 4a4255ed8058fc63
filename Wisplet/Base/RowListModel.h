#pragma once

#include <QAbstractListModel>
#include <QList>

#include <algorithm>

// A list model of plain values whose new list changes the rows in place: the rows between what stayed the
// same at both ends are changed, inserted or removed, never reset, so a view keeps its scroll position,
// hover and focus across refreshes.
template <typename T>
class RowListModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    const QList<T>& values() const { return m_values; }

    void setValues(const QList<T>& values)
    {
        const qsizetype oldCount = m_values.size();
        const qsizetype newCount = values.size();
        const qsizetype shorter = std::min(oldCount, newCount);
        qsizetype head = 0;
        while (head < shorter && m_values.at(head) == values.at(head))
            ++head;
        if (head == oldCount && head == newCount)
            return;
        qsizetype tail = 0;
        while (tail < shorter - head && m_values.at(oldCount - 1 - tail) == values.at(newCount - 1 - tail))
            ++tail;
        const qsizetype oldMiddle = oldCount - head - tail;
        const qsizetype newMiddle = newCount - head - tail;
        const qsizetype replaced = std::min(oldMiddle, newMiddle);

        std::copy_n(values.begin() + head, replaced, m_values.begin() + head);
        if (replaced > 0)
            emit dataChanged(index(int(head)), index(int(head + replaced - 1)));
        const qsizetype from = head + replaced;
        if (oldMiddle > newMiddle) {
            beginRemoveRows({}, int(from), int(head + oldMiddle - 1));
            m_values.remove(from, oldMiddle - newMiddle);
            endRemoveRows();
        } else if (newMiddle > oldMiddle) {
            beginInsertRows({}, int(from), int(head + newMiddle - 1));
            m_values.insert(from, newMiddle - oldMiddle, T{});
            std::copy_n(values.begin() + from, newMiddle - oldMiddle, m_values.begin() + from);
            endInsertRows();
        }
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_values.size()); }

protected:
    // The value of a valid row of this model; null for anything else.
    const T* valueAt(const QModelIndex& index) const
    {
        using Check = QAbstractItemModel::CheckIndexOption;
        return checkIndex(index, Check::IndexIsValid | Check::ParentIsInvalid) ? &m_values.at(index.row()) : nullptr;
    }

private:
    QList<T> m_values;
};
