#pragma once
#include <QAbstractItemView>

// The log pane: one line per row of its model, every row as high as a line of its font, rows
// only ever appended or all removed. A list view lays every row out again for each row
// appended, which at a few hundred thousand lines took longer than the lines came; here a
// row's place is its number times the line height, so a line costs the same at any length.
class LogView : public QAbstractItemView {
public:
    explicit LogView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void reset() override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void changeEvent(QEvent* event) override;

private:
    int rows() const;
    int lineHeight() const;
    int contentWidth() const;
    QModelIndex indexOfRow(int row) const;

    mutable int lineHeight_ = 0; // from the delegate, once there is a row to ask about
    qsizetype longest_ = 0;      // characters of the longest line so far
};
