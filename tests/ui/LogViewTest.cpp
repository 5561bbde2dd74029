// The log pane's view: rows where their number puts them, the end reachable, and a line
// appended to a long log costing no more than one appended to a short one.
#include "LogModel.h"
#include "LogView.h"

#include <QApplication>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

// The log model, counting how often a view asks it for an index: a view that lays every row
// out again asks once for each row.
class CountingLogModel : public LogModel {
public:
    using LogModel::LogModel;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override
    {
        ++asked;
        return LogModel::index(row, column, parent);
    }
    mutable long asked = 0;
};

struct Pane : ::testing::Test {
    CountingLogModel log;
    LogView view;

    void SetUp() override
    {
        view.setModel(&log);
        view.resize(300, 200);
        view.show();
        QApplication::processEvents();
    }
    void append(int n, const QString& text = QStringLiteral("7 --> Hello J3"))
    {
        for (int i = 0; i < n; ++i)
            log.append(text);
        QApplication::processEvents();
    }
    int lineHeight() const { return view.visualRect(log.index(0, 0)).height(); }
    int lastShownRow() const { return view.indexAt(QPoint(2, view.viewport()->height() - 1)).row(); }
};

TEST_F(Pane, RowsSitAtTheirNumberAndTheEndCanBeReached)
{
    append(1000);
    const int h = lineHeight();
    ASSERT_GT(h, 0);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 1000 * h - view.viewport()->height());
    for (const int row : {0, 1, 17, 999})
        EXPECT_EQ(view.indexAt(view.visualRect(log.index(row, 0)).center()).row(), row) << row;

    view.scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(lastShownRow(), 999);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(log.index(999, 0))));

    view.scrollTo(log.index(500, 0), QAbstractItemView::PositionAtTop);
    EXPECT_EQ(view.indexAt(QPoint(2, 0)).row(), 500);
    EXPECT_FALSE(view.indexAt(QPoint(2, 1000 * h)).isValid()); // below the last row
}

TEST_F(Pane, TheLongestLineSetsHowFarItScrollsSidewaysAndEmptyingStartsAfresh)
{
    append(10);
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
    append(1, QString(200, u'x'));
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
    log.clear();
    QApplication::processEvents();
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
    EXPECT_FALSE(view.indexAt(QPoint(2, 2)).isValid());
}

TEST_F(Pane, ALineAppendedToAHundredThousandIsAsCheapAsToTen)
{
    const auto askedForOneMore = [&] {
        view.scrollToBottom();
        QApplication::processEvents();
        log.asked = 0;
        append(1);
        view.scrollToBottom();
        view.viewport()->repaint();
        return log.asked;
    };
    append(10);
    const long shortLog = askedForOneMore();
    append(100'000);
    const long longLog = askedForOneMore();
    EXPECT_LT(longLog, 2 * shortLog + 100) << "short log " << shortLog << ", long log " << longLog;
}

} // namespace
