#include "ui/result_grid_model.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>
#include <QTableView>

#include <string>
#include <vector>

namespace {

using querimo::GridCell;
using querimo::GridLineStore;
using querimo::ResultGridModel;
using Texts = std::vector<std::string>;

Texts LineTexts(const GridLineStore& store, std::size_t line) {
    Texts texts;
    for (std::size_t i = 0; i < store.CellCount(line); ++i) {
        texts.emplace_back(store.Text(line, i));
    }
    return texts;
}

TEST(GridLineStoreTest, CellsComeBackByteForByte) {
    const std::vector<GridCell> cells = {
        {"", false},
        {"", true},
        {"plain", false},
        {std::string("nul\0inside", 10), false},
        {"\xFF\xFE invalid \xC3", false},
        {"caf\xC3\xA9", false},
        {std::string(20000, 'x'), false},
        {std::string(127, 'a'), false},
        {std::string(128, 'b'), false},
    };
    GridLineStore store;
    store.Insert(0, cells);
    ASSERT_EQ(store.Count(), 1u);
    ASSERT_EQ(store.CellCount(0), cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(store.Text(0, i), cells[i].text) << i;
        EXPECT_EQ(store.IsNull(0, i), cells[i].isNull) << i;
    }
    // Past the last cell a line reads as empty.
    EXPECT_EQ(store.Text(0, cells.size()), "");
    EXPECT_FALSE(store.IsNull(0, cells.size() + 5));
}

TEST(GridLineStoreTest, LinesGoWhereTheyAreInserted) {
    GridLineStore store;
    store.Insert(0, Texts{"b"});
    store.Insert(0, Texts{"a"});
    store.Insert(2, Texts{"d"});
    store.Insert(2, Texts{"c"});
    store.Insert(99, Texts{"e"});
    ASSERT_EQ(store.Count(), 5u);
    for (std::size_t i = 0; i < store.Count(); ++i) {
        EXPECT_EQ(store.Text(i, 0), std::string(1, static_cast<char>('a' + i)));
    }
}

TEST(GridLineStoreTest, AnInsertedColumnMovesTheCellsAfterIt) {
    GridLineStore store;
    store.Insert(0, Texts{"3"});
    store.Insert(1, std::vector<GridCell>{{"x", false}, {"", true}, {"z", false}});
    store.Insert(2, Texts{});
    store.InsertEmptyCell(0);
    EXPECT_EQ(LineTexts(store, 0), (Texts{"", "3"}));
    EXPECT_EQ(LineTexts(store, 1), (Texts{"", "x", "", "z"}));
    EXPECT_TRUE(store.IsNull(1, 2));
    EXPECT_EQ(LineTexts(store, 2), Texts{});
    store.InsertEmptyCell(2);
    EXPECT_EQ(LineTexts(store, 0), (Texts{"", "3"}));
    EXPECT_EQ(LineTexts(store, 1), (Texts{"", "x", "", "", "z"}));
    EXPECT_TRUE(store.IsNull(1, 3));
    EXPECT_FALSE(store.IsNull(1, 2));
}

// A million lines must cost little more than their text: a few bytes of bookkeeping per line,
// and about one per cell.
TEST(GridLineStoreTest, MemoryStaysCloseToTheText) {
    constexpr std::size_t kLines = 200000;
    constexpr std::size_t kColumns = 10;
    GridLineStore store;
    std::vector<GridCell> cells(kColumns);
    std::size_t textBytes = 0;
    for (std::size_t line = 0; line < kLines; ++line) {
        for (std::size_t i = 0; i < kColumns; ++i) {
            cells[i].text = std::to_string(line * 7 + i);
            textBytes += cells[i].text.size();
        }
        store.Insert(line, cells);
    }
    EXPECT_EQ(store.Text(kLines - 1, kColumns - 1), std::to_string((kLines - 1) * 7 + 9));
    const std::size_t bookkeeping = kLines * (8 + 1) + kLines * kColumns;
    EXPECT_LT(store.MemoryBytes(), (textBytes + bookkeeping) * 3 / 2) << textBytes;
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.MemoryBytes(), 0u);
}

class ResultGridModelTest : public ::testing::Test {
  protected:
    ResultGridModel model;
};

TEST_F(ResultGridModelTest, LinesAtTheEndReachTheViewInOneBatch) {
    model.AddColumn("#", Qt::AlignRight);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 25; ++i) {
        model.InsertLine(i, Texts{std::to_string(i)});
    }
    EXPECT_EQ(model.LineCount(), 25);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.Cell(24, 0), "24");
    model.Flush();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 24);
    EXPECT_EQ(model.rowCount(), 25);
    model.Flush();
    EXPECT_EQ(inserted.count(), 1);
}

TEST_F(ResultGridModelTest, WaitingLinesAreShownOnceEventsAreProcessed) {
    model.AddColumn("n", Qt::AlignLeft);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.AddLine({"1"});
    model.AddLine({"2"});
    EXPECT_EQ(inserted.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.rowCount(), 2);
}

// Lines that stream in while events are processed often reach the view in a few batches, not
// one per processing, and the batches together announce every line once, in order.
TEST_F(ResultGridModelTest, StreamingLinesAreAnnouncedInFewBatchesThatCoverThemAll) {
    struct Case {
        const char* name;
        int shownBefore;
        int streamed;
    };
    const Case cases[] = {
        {"IntoAnEmptyGrid", 0, 200},
        {"AfterShownLines", 3, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultGridModel grid;
        grid.AddColumn("n", Qt::AlignLeft);
        for (int i = 0; i < c.shownBefore; ++i) {
            grid.AddLine({std::to_string(i)});
        }
        grid.Flush();
        QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < c.streamed; ++i) {
            grid.AddLine({std::to_string(c.shownBefore + i)});
            QCoreApplication::processEvents();
        }
        // At most one batch at once and one per 100 ms after it.
        EXPECT_LE(inserted.count(), 2 + clock.elapsed() / 100) << clock.elapsed();
        const int total = c.shownBefore + c.streamed;
        while (grid.rowCount() < total && clock.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        ASSERT_EQ(grid.rowCount(), total);
        int next = c.shownBefore;
        for (const QList<QVariant>& batch : inserted) {
            EXPECT_EQ(batch[1].toInt(), next);
            next = batch[2].toInt() + 1;
        }
        EXPECT_EQ(next, total);
        EXPECT_EQ(grid.Cell(total - 1, 0), std::to_string(total - 1));
    }
}

TEST_F(ResultGridModelTest, ALineAmongShownOnesIsAnnouncedAtItsPlace) {
    model.AddColumn("n", Qt::AlignLeft);
    model.InsertLine(0, Texts{"count"});
    model.Flush();
    model.InsertLine(5, Texts{"tail"});
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.InsertLine(0, Texts{"first"});
    ASSERT_EQ(inserted.count(), 2);
    // The waiting line first, where it stood, then the new one.
    EXPECT_EQ(inserted[0][1].toInt(), 1);
    EXPECT_EQ(inserted[1][1].toInt(), 0);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.Cell(0, 0), "first");
    EXPECT_EQ(model.Cell(1, 0), "count");
    EXPECT_EQ(model.Cell(2, 0), "tail");
}

TEST_F(ResultGridModelTest, DataShowsTextAlignmentAndNull) {
    model.AddColumn("#", Qt::AlignRight);
    model.AddColumn("v", Qt::AlignLeft);
    model.InsertLine(0, std::vector<GridCell>{{"01", false}, {"", true}});
    model.InsertLine(1, std::vector<GridCell>{{"02", false}, {"\xC3\xA9\xFF", false}});
    model.Flush();
    EXPECT_EQ(model.data(model.index(1, 1), Qt::DisplayRole).toString(),
              QString::fromUtf8("\xC3\xA9") + QChar(0xFFFD));
    EXPECT_EQ(model.Cell(1, 1), "\xC3\xA9\xFF");
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), "");
    EXPECT_TRUE(model.data(model.index(0, 1), querimo::kNullCellRole).toBool());
    EXPECT_FALSE(model.data(model.index(1, 1), querimo::kNullCellRole).toBool());
    EXPECT_EQ(model.data(model.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "v");
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignRight | Qt::AlignVCenter);
}

TEST_F(ResultGridModelTest, DeletingLinesKeepsTheColumnsAndDeletingColumnsClearsAll) {
    model.AddColumn("a", Qt::AlignLeft);
    model.AddLine({"1"});
    model.Flush();
    model.DeleteAllItems();
    EXPECT_EQ(model.LineCount(), 0);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 1);
    model.AddLine({"2"});
    model.DeleteAllColumns();
    EXPECT_EQ(model.LineCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
    // A flush left waiting from before the reset announces nothing.
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QCoreApplication::processEvents();
    EXPECT_EQ(inserted.count(), 0);
}

// The grid draws a faint placeholder where the value was NULL, and nothing for an empty text.
TEST_F(ResultGridModelTest, TheViewMarksNullCells) {
    model.AddColumn("v", Qt::AlignLeft);
    model.InsertLine(0, std::vector<GridCell>{{"", true}});
    model.InsertLine(1, std::vector<GridCell>{{"", false}});
    model.Flush();
    QTableView view;
    view.setModel(&model);
    querimo::ConfigureResultGridView(&view);
    view.setAlternatingRowColors(false);
    view.setShowGrid(false);
    view.resize(300, 200);
    view.show();
    QImage image = view.viewport()->grab().toImage();
    auto inkIn = [&](int row) {
        QRect cell = view.visualRect(model.index(row, 0)).adjusted(1, 1, -1, -1);
        const QRgb background = image.pixel(cell.topLeft());
        int ink = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                ink += image.pixel(x, y) != background;
            }
        }
        return ink;
    };
    EXPECT_GT(inkIn(0), 0);
    EXPECT_EQ(inkIn(1), 0);
    EXPECT_EQ(view.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

}  // namespace
