// The source list: which dropped names are taken, in which order, and what is refused.
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>
#include <utility>

#include "file_drop.h"
#include "ui/source_list.h"

using zendavo::SourceList;
using zendavo::testing::filesMime;

namespace {

struct DropOutcome {
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
    std::vector<std::string> delivered;
};

// Sends the drag-enter, drag-move and drop events a file manager's drop causes.
DropOutcome dropOn(SourceList& list, std::unique_ptr<QMimeData> owner,
                   Qt::DropActions offered = Qt::CopyAction,
                   Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    QMimeData* mime = owner.get();  // a drop event never owns its data
    DropOutcome out;
    const auto conn = QObject::connect(&list, &SourceList::filesDropped,
                                       [&out](const std::vector<std::string>& p) { out.delivered = p; });
    QWidget* target = list.viewport();
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, offered, mime, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(target, &enter);
    if (enter.isAccepted()) {
        QDragMoveEvent move(at, offered, mime, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(target, &move);
        QDropEvent drop(QPointF(at), offered, mime, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(target, &drop);
        out.accepted = drop.isAccepted();
        out.action = drop.dropAction();
    }
    QObject::disconnect(conn);
    return out;
}

std::vector<std::string> names(const SourceList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.rowCount(); ++i) out.push_back(list.fileNameAt(i));
    return out;
}

}  // namespace

class SourceListTest : public QObject {
    Q_OBJECT
private slots:
    void acceptsOnlyTheFourEndings_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("lower jpg") << "a.jpg" << true;
        QTest::newRow("upper PNG") << "c.PNG" << true;
        QTest::newRow("upper JPG") << "c.JPG" << true;
        QTest::newRow("lower png") << "b.png" << true;
        QTest::newRow("mixed Jpg") << "d.Jpg" << false;
        QTest::newRow("mixed pNg") << "d.pNg" << false;
        QTest::newRow("jpeg") << "e.jpeg" << false;
        QTest::newRow("text") << "b.txt" << false;
        QTest::newRow("no dot") << "photojpg" << true;
        QTest::newRow("just the ending") << "png" << true;
        QTest::newRow("shorter than three") << "pg" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("trailing space") << "a.jpg " << false;
        QTest::newRow("chinese name") << "照片.jpg" << true;
    }
    void acceptsOnlyTheFourEndings()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QCOMPARE(SourceList::isAcceptedName(name.toStdString()), accepted);
    }

    void fileNameIsAfterTheLastSlash_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "/p/a.jpg" << "a.jpg";
        QTest::newRow("no slash") << "a.jpg" << "a.jpg";
        QTest::newRow("trailing slash") << "/p/q/" << "";
        QTest::newRow("chinese folders") << "/照片/水印/猫.png" << "猫.png";
    }
    void fileNameIsAfterTheLastSlash()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(QString::fromStdString(SourceList::fileNameOf(path.toStdString())), name);
    }

    // Drops of real files and folders, through the events a drop sends.
    void dropsAppendAcceptedRowsInOrder_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("mixed list and a folder")
            << QStringList{} << QStringList{"a.jpg", "b.txt", "c.PNG", "d.Jpg", "e.jpeg", "pics"}
            << QStringList{"a.jpg", "c.PNG"};
        QTest::newRow("one file") << QStringList{} << QStringList{"a.jpg"} << QStringList{"a.jpg"};
        QTest::newRow("same file twice")
            << QStringList{} << QStringList{"a.jpg", "a.jpg"} << QStringList{"a.jpg", "a.jpg"};
        QTest::newRow("after three rows")
            << QStringList{"x.jpg", "y.png", "z.JPG"} << QStringList{"c.PNG", "a.jpg"}
            << QStringList{"x.jpg", "y.png", "z.JPG", "c.PNG", "a.jpg"};
        QTest::newRow("folder named like a picture")
            << QStringList{} << QStringList{"holidayjpg"} << QStringList{"holidayjpg"};
        QTest::newRow("nothing accepted") << QStringList{} << QStringList{"b.txt"} << QStringList{};
    }
    void dropsAppendAcceptedRowsInOrder()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, rows);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir("pics"));
        QVERIFY(QDir(dir.path()).mkdir("holidayjpg"));
        SourceList list;
        for (const QString& name : before) list.appendRow(name.toStdString(), (dir.path() + "/" + name).toStdString());
        QStringList paths;
        for (const QString& name : dropped) paths << dir.path() + "/" + name;

        const DropOutcome out = dropOn(list, filesMime(paths));
        QVERIFY(out.accepted);
        QCOMPARE(out.delivered.size(), static_cast<std::size_t>(paths.size()));
        list.appendAccepted(out.delivered);

        QCOMPARE(list.rowCount(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(QString::fromStdString(list.fileNameAt(i)), rows[i]);
            QCOMPARE(QString::fromStdString(list.pathAt(i)), dir.path() + "/" + rows[i]);
            QCOMPARE(list.topLevelItem(i)->text(0), rows[i]);
            QCOMPARE(list.topLevelItem(i)->text(1), dir.path() + "/" + rows[i]);
        }
    }

    void refusesWhatIsNotALocalFileList_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("plain text") << "text";
        QTest::newRow("web link") << "http";
        QTest::newRow("no content") << "empty";
    }
    void refusesWhatIsNotALocalFileList()
    {
        QFETCH(QString, kind);
        auto mime = std::make_unique<QMimeData>();
        if (kind == "text") mime->setText("/p/a.jpg");
        if (kind == "http") mime->setUrls({QUrl("http://example.com/a.jpg")});
        SourceList list;
        const DropOutcome out = dropOn(list, std::move(mime));
        QVERIFY(!out.accepted);
        QVERIFY(out.delivered.empty());
        QCOMPARE(list.rowCount(), 0);
    }

    // Holding Shift makes a file manager propose a move; the list only ever takes a copy.
    void aProposedMoveIsTakenAsACopy()
    {
        SourceList list;
        const DropOutcome out =
            dropOn(list, filesMime({"/p/a.jpg"}), Qt::MoveAction | Qt::CopyAction, Qt::ShiftModifier);
        QVERIFY(out.accepted);
        QCOMPARE(out.action, Qt::CopyAction);
        QCOMPARE(out.delivered, std::vector<std::string>{"/p/a.jpg"});
    }

    void refusesDropsWhileNotAllowed()
    {
        SourceList list;
        list.setDropsAllowed(false);
        QVERIFY(!dropOn(list, filesMime({"/p/a.jpg"})).accepted);
        list.setDropsAllowed(true);
        QVERIFY(dropOn(list, filesMime({"/p/a.jpg"})).accepted);
    }

    // A path that is not valid UTF-8 still names its file: the bytes arrive unchanged.
    void keepsPathBytesThatAreNotUtf8()
    {
        auto mime = std::make_unique<QMimeData>();
        mime->setUrls({QUrl::fromEncoded("file:///tmp/%FF%FE%E6%B0%B4.jpg")});
        SourceList list;
        const DropOutcome out = dropOn(list, std::move(mime));
        QVERIFY(out.accepted);
        list.appendAccepted(out.delivered);
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.pathAt(0), std::string("/tmp/\xFF\xFE\xE6\xB0\xB4.jpg"));
        QCOMPARE(list.fileNameAt(0), std::string("\xFF\xFE\xE6\xB0\xB4.jpg"));
    }

    void rowsThatDoNotExistReadEmpty()
    {
        SourceList list;
        list.appendRow("a.jpg", "/p/a.jpg");
        QCOMPARE(list.fileNameAt(-1), std::string());
        QCOMPARE(list.pathAt(1), std::string());
        list.clearRows();
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(list.pathAt(0), std::string());
        list.appendRow("b.png", "/q/b.png");
        QCOMPARE(names(list), std::vector<std::string>{"b.png"});
    }

    void listViewLooksAsDesigned()
    {
        SourceList list;
        QCOMPARE(list.columnCount(), 2);
        QCOMPARE(list.headerItem()->text(0), QString::fromUtf8("文件名"));
        QCOMPARE(list.headerItem()->text(1), QString::fromUtf8("路径"));
        QCOMPARE(list.columnWidth(0), 100);
        QCOMPARE(list.columnWidth(1), 500);
        QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list.editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!list.isSortingEnabled());
        QVERIFY(!list.rootIsDecorated());
    }
};

QTEST_MAIN(SourceListTest)
#include "source_list_test.moc"
