#include "LogView.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

LogView::LogView(QWidget* parent) : QAbstractItemView(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int LogView::rows() const
{
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

QModelIndex LogView::indexOfRow(int row) const
{
    return row >= 0 && row < rows() ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

int LogView::lineHeight() const
{
    if (lineHeight_ > 0)
        return lineHeight_;
    const QModelIndex first = indexOfRow(0);
    if (!first.isValid())
        return fontMetrics().height();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    lineHeight_ = std::max(1, itemDelegate()->sizeHint(option, first).height());
    return lineHeight_;
}

int LogView::contentWidth() const
{
    // The pane's faces have a fixed pitch: the longest line by its characters is the widest.
    return int(longest_) * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 2 * frameWidth() + 8;
}

QRect LogView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.parent() != rootIndex())
        return {};
    const int h = lineHeight();
    return {-horizontalOffset(), index.row() * h - verticalOffset(), std::max(viewport()->width(), contentWidth()), h};
}

void LogView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int h = lineHeight();
    const int top = index.row() * h;
    const int height = viewport()->height();
    int value = verticalScrollBar()->value();
    switch (hint) {
    case PositionAtTop: value = top; break;
    case PositionAtBottom: value = top + h - height; break;
    case PositionAtCenter: value = top - (height - h) / 2; break;
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (top + h > value + height)
            value = top + h - height;
        break;
    }
    verticalScrollBar()->setValue(value);
}

QModelIndex LogView::indexAt(const QPoint& point) const
{
    if (point.y() < 0)
        return {};
    return indexOfRow((point.y() + verticalOffset()) / lineHeight());
}

void LogView::reset()
{
    QAbstractItemView::reset();
    longest_ = 0;
    lineHeight_ = 0;
    updateGeometries();
    viewport()->update();
}

QModelIndex LogView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = rows();
    if (count == 0)
        return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : 0;
    const int page = std::max(1, viewport()->height() / lineHeight());
    int row = current;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious: row = current - 1; break;
    case MoveDown:
    case MoveNext: row = current + 1; break;
    case MovePageUp: row = current - page; break;
    case MovePageDown: row = current + page; break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = count - 1; break;
    default: break;
    }
    return indexOfRow(std::clamp(row, 0, count - 1));
}

int LogView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int LogView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

void LogView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect r = rect.normalized();
    const QModelIndex first = indexAt(QPoint(0, std::max(0, r.top())));
    QModelIndex last = indexAt(QPoint(0, r.bottom()));
    if (!last.isValid())
        last = indexOfRow(rows() - 1);
    if (!first.isValid() || !last.isValid()) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->select(QItemSelection(first, last), command);
}

QRegion LogView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    const QRect visible = viewport()->rect();
    for (const QItemSelectionRange& range : selection) {
        const QRect top = visualRect(indexOfRow(range.top()));
        const QRect bottom = visualRect(indexOfRow(range.bottom()));
        region += top.united(bottom).intersected(visible);
    }
    return region;
}

void LogView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const int count = rows();
    if (count == 0)
        return;
    const int h = lineHeight();
    const QRect area = event->rect();
    const int first = std::max(0, (area.top() + verticalOffset()) / h);
    const int last = std::min(count - 1, (area.bottom() + verticalOffset()) / h);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = indexOfRow(row);
        option.rect = visualRect(index);
        option.state = state;
        if (selectionModel() != nullptr && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (index == currentIndex() && hasFocus())
            option.state |= QStyle::State_HasFocus;
        itemDelegate()->paint(&painter, option, index);
    }
}

void LogView::updateGeometries()
{
    const int h = lineHeight();
    verticalScrollBar()->setSingleStep(h);
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, rows() * h - viewport()->height()));
    horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('0')));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth() - viewport()->width()));
    QAbstractItemView::updateGeometries();
}

void LogView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent != rootIndex())
        return;
    for (int row = start; row <= end; ++row)
        longest_ = std::max(longest_, indexOfRow(row).data().toString().size());
    // Scroll ranges and painting once per pass of the event loop, however many lines came.
    scheduleDelayedItemsLayout();
}

void LogView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        lineHeight_ = 0;
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}
