// The bill list model sorts, inserts at the top and removes like a plain
// QStandardItemModel would, while its items never change place.
#include "billmodel.h"

#include "billtext.h"
#include "event.h"
#include "occurrence.h"

#include <QColor>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <memory>
#include <numeric>
#include <vector>

namespace {

// Column 1 mixes whole numbers with "N/A", as the bill list does.
QVariant dayValue(int value)
{
    return value < 0 ? QVariant(QStringLiteral("N/A")) : QVariant(value);
}

template<typename Model>
void appendRows(Model &model, const QList<int> &keys)
{
    for (int key : keys) {
        QList<QStandardItem *> cells;
        auto *date = new QStandardItem;
        date->setData(QDate(2026, 1, 1).addDays(key % 17), Qt::EditRole);
        auto *days = new QStandardItem;
        days->setData(dayValue(key % 11 - 3), Qt::EditRole);
        auto *text = new QStandardItem(QStringLiteral("bill %1").arg(key % 13));
        auto *data = new QStandardItem;
        data->setData(key, BillModel::RecordRole);
        auto *amount = new QStandardItem;
        cells << date << days << text << data << amount;
        model.appendRow(cells);
    }
}

QList<int> keysOf(const QStandardItemModel &model)
{
    QList<int> keys;
    for (int row = 0; row < model.rowCount(); ++row)
        keys.append(model.item(row, 3)->data(BillModel::RecordRole).toInt());
    return keys;
}

QList<QStandardItem *> itemsOf(const QStandardItemModel &model)
{
    QList<QStandardItem *> items;
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column)
            items.append(model.item(row, column));
    }
    return items;
}

// The days column's order, written out: numbers by value, "N/A" after every
// number (before them when descending), ties in their earlier order.
QList<int> daysOrder(const QList<int> &keysInRowOrder, Qt::SortOrder order)
{
    const auto days = [](int key) {
        const int value = key % 11 - 3;
        return value < 0 ? std::numeric_limits<int>::max() : value;
    };
    QList<int> sorted = keysInRowOrder;
    std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
        return order == Qt::AscendingOrder ? days(a) < days(b) : days(b) < days(a);
    });
    return sorted;
}

QList<int> randomKeys(int count)
{
    QRandomGenerator random(4711);
    QList<int> keys;
    for (int i = 0; i < count; ++i)
        keys.append(int(random.bounded(1000)) * 1000 + i); // unique, in no order
    return keys;
}

} // namespace

class tst_BillModel : public QObject
{
    Q_OBJECT

private slots:
    void sortMatchesStandardModel_data();
    void sortMatchesStandardModel();
    void isSorted_data();
    void isSorted();
    void sortingSortedRowsAgainMovesNothing();
    void sortedOrderFollowsLessThan_data();
    void sortedOrderFollowsLessThan();
    void cellRowsSortLikeItemRows_data();
    void cellRowsSortLikeItemRows();
    void selectionFollowsSortedRows();
    void everyRoleMovesWithItsRow();
    void sortKeysOrderTheirCells_data();
    void sortKeysOrderTheirCells();
    void insertRowsAtTop();
    void removeRowsKeepingOrder();
};

void tst_BillModel::sortMatchesStandardModel_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    for (int column = 0; column < 3; ++column) {
        QTest::addRow("column %d ascending", column) << column << Qt::AscendingOrder;
        QTest::addRow("column %d descending", column) << column << Qt::DescendingOrder;
    }
}

void tst_BillModel::sortMatchesStandardModel()
{
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    const QList<int> keys = randomKeys(300);
    QStandardItemModel plain(0, BillModel::ColumnCount);
    BillModel model;
    appendRows(plain, keys);
    appendRows(model, keys);
    const QList<QStandardItem *> items = itemsOf(model);

    plain.sort(column, order);
    model.sort(column, order);
    // The plain model has no consistent order for numbers mixed with "N/A".
    if (column == 1) {
        QCOMPARE(keysOf(model), daysOrder(keys, order));
    } else {
        QCOMPARE(keysOf(model), keysOf(plain));
        for (int row = 0; row < model.rowCount(); ++row) {
            for (int c = 0; c < 3; ++c)
                QCOMPARE(model.item(row, c)->data(Qt::DisplayRole), plain.item(row, c)->data(Qt::DisplayRole));
        }
    }
    QCOMPARE(itemsOf(model), items); // the data moved, the items did not
}

void tst_BillModel::isSorted_data()
{
    QTest::addColumn<QVariantList>("keys");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<bool>("sorted");
    const QVariant na = dayValue(-1);
    QTest::newRow("empty") << QVariantList{} << Qt::AscendingOrder << true;
    QTest::newRow("one") << QVariantList{5} << Qt::DescendingOrder << true;
    QTest::newRow("ascending with ties") << QVariantList{1, 2, 2, 7} << Qt::AscendingOrder << true;
    QTest::newRow("ascending, last out of place") << QVariantList{1, 2, 7, 3} << Qt::AscendingOrder << false;
    QTest::newRow("ascending read descending") << QVariantList{1, 2, 7} << Qt::DescendingOrder << false;
    QTest::newRow("descending with ties") << QVariantList{9, 4, 4, 0} << Qt::DescendingOrder << true;
    QTest::newRow("descending, first out of place") << QVariantList{3, 4, 0} << Qt::DescendingOrder << false;
    QTest::newRow("all equal") << QVariantList{3, 3, 3} << Qt::DescendingOrder << true;
    QTest::newRow("dates ascending") << QVariantList{QDate(2026, 1, 2), QDate(2026, 1, 2), QDate(2027, 1, 1)}
                                     << Qt::AscendingOrder << true;
    QTest::newRow("dates out of place") << QVariantList{QDate(2026, 1, 2), QDate(2025, 1, 2)}
                                        << Qt::AscendingOrder << false;
    QTest::newRow("texts ascending") << QVariantList{QStringLiteral("a"), QStringLiteral("b")}
                                     << Qt::AscendingOrder << true;
    // "N/A" sorts after every number; an empty cell after everything.
    QTest::newRow("numbers, then N/A") << QVariantList{0, 12, na, na} << Qt::AscendingOrder << true;
    QTest::newRow("N/A before a number") << QVariantList{na, 12} << Qt::AscendingOrder << false;
    QTest::newRow("N/A first, descending") << QVariantList{na, 12, 3} << Qt::DescendingOrder << true;
    QTest::newRow("N/A last, descending") << QVariantList{12, na} << Qt::DescendingOrder << false;
    QTest::newRow("empty cell last") << QVariantList{1, QVariant()} << Qt::AscendingOrder << true;
    QTest::newRow("empty cell first") << QVariantList{QVariant(), 1} << Qt::AscendingOrder << false;
}

void tst_BillModel::isSorted()
{
    QFETCH(QVariantList, keys);
    QFETCH(Qt::SortOrder, order);
    QFETCH(bool, sorted);
    QCOMPARE(BillModel::isSorted(keys, order), sorted);
    // Whatever the answer, the stable sort gives the same order.
    QList<int> identity(keys.size());
    std::iota(identity.begin(), identity.end(), 0);
    if (sorted)
        QCOMPARE(BillModel::sortedOrder(keys, order), identity);
}

void tst_BillModel::sortingSortedRowsAgainMovesNothing()
{
    // Many ties in each column: sorting again keeps tied rows in place.
    const QList<int> keys = randomKeys(300);
    for (int column = 0; column < 3; ++column) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            BillModel model;
            appendRows(model, keys);
            model.sort((column + 1) % 3);
            model.sort(column, order);
            const QList<int> sorted = keysOf(model);
            QSignalSpy layoutChanges(&model, &QAbstractItemModel::layoutChanged);
            model.sort(column, order);
            QCOMPARE(keysOf(model), sorted);
            QCOMPARE(layoutChanges.count(), 0);
        }
    }
}

void tst_BillModel::sortedOrderFollowsLessThan_data()
{
    QTest::addColumn<QVariantList>("keys");
    QRandomGenerator random(99);
    QVariantList numbers;
    QVariantList dates;
    QVariantList texts;
    for (int i = 0; i < 500; ++i) {
        const int value = int(random.bounded(-50, 50)); // many ties
        numbers.append(value);
        dates.append(value == 0 ? QDate() : QDate(2026, 12, 5).addDays(value * 400));
        texts.append(QString::number(value));
    }
    QTest::newRow("whole numbers") << numbers;
    QTest::newRow("dates, some null") << dates;
    QTest::newRow("texts") << texts;
    QVariantList longTexts;
    for (int i = 0; i < 500; ++i) {
        const int value = int(random.bounded(0, 60));
        // Long and short texts, many alike in their first eight characters.
        longTexts.append(value < 10 ? QStringLiteral("Bill 12") + QString(value % 3, QChar(value))
                                    : QStringLiteral("Bill 12 - Due %1 more times").arg(value));
    }
    QTest::newRow("texts alike at the start") << longTexts;
    // The days and amount columns: numbers, "N/A", texts and empty cells.
    QVariantList mixed;
    for (int i = 0; i < 500; ++i) {
        const int value = int(random.bounded(-20, 20));
        mixed.append(value < -10 ? QVariant(QStringLiteral("N/A"))
                     : value < -5 ? QVariant()
                     : value < 0  ? QVariant(QStringLiteral("EUR%1").arg(-value))
                                  : QVariant(value));
    }
    QTest::newRow("mixed types") << mixed;
    QVariantList withOther = mixed;
    withOther.append(2.5); // a type without a plain key
    withOther.append(QDate(2026, 12, 5));
    QTest::newRow("mixed types, one of no plain key") << withOther;
}

void tst_BillModel::sortedOrderFollowsLessThan()
{
    // The stable sort by the model's own comparison, spelt out.
    QFETCH(QVariantList, keys);
    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        QList<int> expected(keys.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return order == Qt::AscendingOrder ? BillModel::lessThan(keys.at(a), keys.at(b))
                                               : BillModel::lessThan(keys.at(b), keys.at(a));
        });
        QCOMPARE(BillModel::sortedOrder(keys, order), expected);
    }
}

void tst_BillModel::cellRowsSortLikeItemRows_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    for (int column : {0, 1, 2, 4}) {
        QTest::addRow("column %d ascending", column) << column << Qt::AscendingOrder;
        QTest::addRow("column %d descending", column) << column << Qt::DescendingOrder;
    }
}

void tst_BillModel::cellRowsSortLikeItemRows()
{
    // Rows that write their cells when asked sort, and show after sorting,
    // like rows of items that hold the same values.
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    const QDate today(2026, 12, 5);
    std::vector<std::unique_ptr<Event>> records;
    QList<BillRowCells> rows;
    for (int i = 0; i < 60; ++i) {
        auto event = std::make_unique<Event>();
        event->name = QStringLiteral("Bill %1").arg(i * 7 % 13);
        if (i % 4 == 0) {
            event->schedule = Event::ScheduleWeekly;
            event->weekdays[std::size_t(i % 7)] = true;
            if (i % 8 == 0)
                event->payments.trackedSince = today.addDays(-(i % 30)); // overdue, or due soon
        } else {
            event->schedule = Event::ScheduleSingular;
            event->eventDate = today.addDays(i * 37 % 60 - 20);
            event->endMode = Event::EndAfterTimes;
            event->endDate = event->eventDate;
            if (i % 5 == 1) { // paid: finished when past
                event->payments.trackedSince = event->eventDate.addDays(-1);
                event->payments.paidThrough = event->eventDate;
                event->payments.paidOn = event->eventDate;
            }
        }
        if (i % 3 == 0)
            event->amount = Money(qint64(i * 997 % 5000) - 1000, i % 2 == 0 ? QStringLiteral("EUR") : QStringLiteral("USD"));
        rows.append(BillRowCells(event.get(), billRowWithoutDetails(*event, today, nextDueDate(*event, today)),
                                 remainingOccurrences(*event, today)));
        records.push_back(std::move(event));
    }
    const QList<int> roles{Qt::DisplayRole, BillModel::SortKeyRole, Qt::ForegroundRole, Qt::FontRole,
                           Qt::TextAlignmentRole, BillModel::RecordRole};
    BillModel cells;
    cells.appendRows(rows);
    BillModel items;
    for (int row = 0; row < cells.rowCount(); ++row) {
        QList<QStandardItem *> rowItems;
        for (int c = 0; c < BillModel::ColumnCount; ++c) {
            auto *item = new QStandardItem;
            for (int role : roles) {
                const QVariant value = cells.index(row, c).data(role);
                if (value.isValid())
                    item->setData(value, role);
            }
            rowItems.append(item);
        }
        items.appendRow(rowItems);
    }
    cells.sort(column, order);
    items.sort(column, order);
    for (int row = 0; row < cells.rowCount(); ++row) {
        for (int c = 0; c < BillModel::ColumnCount; ++c) {
            for (int role : roles)
                QCOMPARE(cells.index(row, c).data(role), items.index(row, c).data(role));
        }
    }
    QVERIFY(!cells.item(0, 0)); // the rows stayed without items
}

void tst_BillModel::selectionFollowsSortedRows()
{
    BillModel model;
    appendRows(model, {30, 10, 20});
    QItemSelectionModel selection(&model);
    selection.setCurrentIndex(model.index(0, 0), QItemSelectionModel::NoUpdate);
    selection.select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    model.sort(2, Qt::AscendingOrder); // "bill 10" (4) < "bill 4" (30) < "bill 7" (20)
    QCOMPARE(keysOf(model), (QList<int>{10, 30, 20}));
    QCOMPARE(selection.currentIndex().row(), 1); // key 30 moved from row 0 to row 1
    const QModelIndexList selected = selection.selectedRows(0);
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), 2); // key 20 stayed last
}

void tst_BillModel::everyRoleMovesWithItsRow()
{
    // Whatever a row shows besides its text (a colour, a tip, a later
    // column's data) stays with that row through sorting, insertion and
    // removal.
    BillModel model;
    appendRows(model, {30, 10, 20});
    model.item(0, 0)->setData(QColor(Qt::red), Qt::ForegroundRole);
    model.item(0, 2)->setData(QStringLiteral("key 30"), Qt::ToolTipRole);
    model.item(1, 3)->setData(QStringLiteral("ten"), Qt::UserRole + 7);
    const auto rowOfKey = [&model](int key) { return int(keysOf(model).indexOf(key)); };
    const auto check = [&](const QList<int> &plainKeys) {
        QCOMPARE(model.item(rowOfKey(30), 0)->data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
        QCOMPARE(model.item(rowOfKey(30), 2)->data(Qt::ToolTipRole).toString(), QStringLiteral("key 30"));
        QCOMPARE(model.item(rowOfKey(10), 3)->data(Qt::UserRole + 7).toString(), QStringLiteral("ten"));
        for (int key : plainKeys) {
            QVERIFY(!model.item(rowOfKey(key), 0)->data(Qt::ForegroundRole).isValid());
            QVERIFY(!model.item(rowOfKey(key), 2)->data(Qt::ToolTipRole).isValid());
        }
    };
    model.sort(2, Qt::AscendingOrder);
    QCOMPARE(keysOf(model), (QList<int>{10, 30, 20}));
    check({10, 20});
    model.insertRowsAtTop(2);
    check({10, 20});
    model.removeRowsKeepingOrder({0, 1, rowOfKey(20)});
    QCOMPARE(keysOf(model), (QList<int>{10, 30}));
    check({10});
}

void tst_BillModel::sortKeysOrderTheirCells_data()
{
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<QList<int>>("keys");
    // Rows (by key): 1 "N/A", 2 "5 days overdue" (-5), 3 four days, 4 "1 day
    // overdue" (-1), 5 no days, 6 "N/A".
    QTest::newRow("ascending: most overdue first, N/A last") << Qt::AscendingOrder << QList<int>{2, 4, 5, 3, 1, 6};
    QTest::newRow("descending: N/A first, most overdue last") << Qt::DescendingOrder << QList<int>{1, 6, 3, 5, 4, 2};
}

void tst_BillModel::sortKeysOrderTheirCells()
{
    QFETCH(Qt::SortOrder, order);
    QFETCH(QList<int>, keys);
    BillModel model;
    const QList<QVariant> shown{QStringLiteral("N/A"), QStringLiteral("5 days overdue"), 4,
                                QStringLiteral("1 day overdue"), 0, QStringLiteral("N/A")};
    const QList<QVariant> sortKeys{QVariant(), -5, QVariant(), -1, QVariant(), QVariant()};
    for (int i = 0; i < shown.size(); ++i) {
        QList<QStandardItem *> cells;
        for (int column = 0; column < BillModel::ColumnCount; ++column)
            cells.append(new QStandardItem);
        cells[1]->setData(shown.at(i), Qt::EditRole);
        if (sortKeys.at(i).isValid())
            cells[1]->setData(sortKeys.at(i), BillModel::SortKeyRole);
        cells[3]->setData(i + 1, BillModel::RecordRole);
        model.appendRow(cells);
    }
    model.sort(1, order);
    QCOMPARE(keysOf(model), keys);
    // The shown texts and their keys moved with their rows.
    const int overdue = int(keysOf(model).indexOf(2));
    QCOMPARE(model.item(overdue, 1)->text(), QStringLiteral("5 days overdue"));
    QCOMPARE(model.item(overdue, 1)->data(BillModel::SortKeyRole), QVariant(-5));
}

void tst_BillModel::insertRowsAtTop()
{
    BillModel model;
    appendRows(model, {1, 2, 3});
    const QList<QStandardItem *> items = itemsOf(model);
    QItemSelectionModel selection(&model);
    selection.setCurrentIndex(model.index(2, 0), QItemSelectionModel::NoUpdate);

    model.insertRowsAtTop(2);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(itemsOf(model).mid(0, items.size()), items);
    for (int row = 0; row < 2; ++row) {
        QVERIFY(!model.item(row, 3)->data(BillModel::RecordRole).isValid());
        QVERIFY(!model.item(row, 2)->data(Qt::DisplayRole).isValid());
    }
    QCOMPARE(keysOf(model).mid(2), (QList<int>{1, 2, 3}));
    QCOMPARE(model.item(2, 2)->text(), QStringLiteral("bill 1"));
    QCOMPARE(selection.currentIndex().row(), 4);

    BillModel empty;
    empty.insertRowsAtTop(3);
    QCOMPARE(empty.rowCount(), 3);
    QCOMPARE(empty.columnCount(), BillModel::ColumnCount);
    QVERIFY(empty.item(2, BillModel::ColumnCount - 1));
}

void tst_BillModel::removeRowsKeepingOrder()
{
    BillModel model;
    appendRows(model, {0, 1, 2, 3, 4, 5, 6});
    QItemSelectionModel selection(&model);
    selection.setCurrentIndex(model.index(5, 0), QItemSelectionModel::NoUpdate);
    const QList<QStandardItem *> items = itemsOf(model);

    model.removeRowsKeepingOrder({6, 0, 3});
    QCOMPARE(keysOf(model), (QList<int>{1, 2, 4, 5}));
    QCOMPARE(model.item(2, 2)->text(), QStringLiteral("bill 4"));
    QCOMPARE(itemsOf(model), items.mid(0, 4 * BillModel::ColumnCount));
    QCOMPARE(selection.currentIndex().row(), 3); // still on key 5

    model.removeRowsKeepingOrder({3});
    QVERIFY(!selection.currentIndex().isValid()); // its row is gone
    model.removeRowsKeepingOrder({0, 1, 2});
    QCOMPARE(model.rowCount(), 0);
}

QTEST_MAIN(tst_BillModel)
#include "tst_billmodel.moc"
