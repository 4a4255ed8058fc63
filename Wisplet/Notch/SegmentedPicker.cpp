#include "Wisplet/Notch/SegmentedPicker.h"

#include "Wisplet/Base/KeyboardPaths.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

SegmentedPicker::SegmentedPicker(const QString& name, const QStringList& segments, QWidget* parent)
    : QWidget(parent)
    , m_segments(new QButtonGroup(this))
{
    setAccessibleName(name);
    // The ring's clear border is part of each segment's padding, so a segment keeps its size with the focus.
    setStyleSheet(QStringLiteral("QPushButton { color: rgba(255,255,255,0.8); background: rgba(255,255,255,0.08);"
                                 " border-radius: 6px; padding: 2px 10px; }"
                                 "QPushButton:checked { color: white; background: rgba(255,255,255,0.26); }"
                                 "QPushButton:disabled { color: rgba(255,255,255,0.35); }"
                                 "QPushButton:checked:disabled { background: rgba(255,255,255,0.14); }")
                  + KeyboardPaths::focusRingRules(QStringLiteral("QPushButton")));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int id = 0; id < segments.size(); ++id) {
        auto* segment = new QPushButton(segments[id], this);
        segment->setCheckable(true);
        // Tab stops at the chosen segment however it was chosen (a click, a key, the store), so the ring and
        // the choice show on the same one; the arrows, which reach any segment as the group is exclusive,
        // choose another.
        segment->setAutoExclusive(true);
        segment->setFocusPolicy(Qt::NoFocus);
        connect(segment, &QAbstractButton::toggled, segment,
                [segment](bool chosen) { segment->setFocusPolicy(chosen ? Qt::TabFocus : Qt::NoFocus); });
        segment->setChecked(id == 0);
        QFont font = segment->font();
        font.setPixelSize(12);
        font.setWeight(QFont::Medium);
        segment->setFont(font);
        m_segments->addButton(segment, id);
        row->addWidget(segment);
    }
}
