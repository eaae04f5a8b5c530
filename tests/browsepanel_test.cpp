#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "ui/browsepanel.h"
#include "ui/categorytabs.h"
#include "ui/mainwindow.h"
#include "ui/resultspanel.h"
#include "ui/searchpanel.h"

using namespace zorvik;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

QByteArray gbLines(const QStringList& lines) {
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    return QByteArray::fromStdString(platform::utf8ToGb18030(text.toStdString()));
}

QPushButton* button(QWidget* in, const QString& caption) {
    for (auto* b : in->findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

}  // namespace

// The main window on a small library on E:, with singers and a hot list.
class BrowsePanelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        const QString lib = dir->filePath(QStringLiteral("e/Brask搜歌库/"));
        for (const char16_t* name : {u"1-音乐/3021周杰伦-稻香.mp3", u"1-音乐/周杰伦.wma", u"3-电影/新增电影/风声.mp4",
                                     u"12-其它/AVI格式/汽车广告.avi"})
            writeFile(lib + QString::fromUtf16(name), QByteArray(100, 'x'));
        QStringList singers{QStringLiteral("刘德华")};
        for (const char16_t* z : {u"张学友", u"周杰伦", u"张惠妹", u"郑智化", u"张信哲", u"卓依婷", u"张靓颖", u"周华健",
                                  u"张韶涵", u"郑钧", u"张杰", u"赵薇", u"周传雄"})
            singers << QString::fromUtf16(z);
        writeFile(dir->filePath(QStringLiteral("数据文件/歌手.txt")), gbLines(singers));
        writeFile(dir->filePath(QStringLiteral("数据文件/Corlen.ini")),
                  QByteArray::fromStdString(platform::utf8ToGb18030(
                      "[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nE=" + dir->filePath(QStringLiteral("e")).toStdString() +
                      "\r\nD=" + dir->path().toStdString() + "\r\n")));
    }
    void cleanup() {
        window.reset();
        station.reset();
        dir.reset();
    }

    void browseButtonShowsThePanelOnOtherAndCategoryButtonsList() {
        start();
        auto* panel = window->browsePanel();
        QVERIFY(!panel->isVisible());
        auto* results = window->resultsPanel();
        results->browseButton()->click();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->tabText(panel->currentIndex()), QStringLiteral("其它"));
        QCOMPARE(results->resultView()->height(), results->height() - 160);
        QCOMPARE(station->cues().pending(), static_cast<int>(core::Cues::Select));

        QSignalSpy done(&station->categories(), &search::CategoryBrowser::finished);
        button(panel->currentWidget(), QStringLiteral("AVI格式"))->click();
        QVERIFY(done.wait(3000));
        QCOMPARE(station->results().count(), 1);
        QCOMPARE(results->resultView()->model()->data(results->resultView()->model()->index(0, 0)).toString(),
                 QStringLiteral("汽车广告"));

        // A category tab puts the panel away and gives the list its full height.
        panel->setCurrentIndex(search::MusicPage);
        QTest::mouseClick(window->categoryTabs(), Qt::LeftButton, {}, window->categoryTabs()->tabRect(2).center());
        QVERIFY(!panel->isVisible());
        QCOMPARE(results->resultView()->height(), results->height() - 40);
        results->browseButton()->click();
        QCOMPARE(panel->currentIndex(), static_cast<int>(search::MusicPage));  // "其它" only the first time
    }

    void lettersFilterTheGridAndACellSearchesByMouseOrKeyboard() {
        start();
        auto* panel = window->browsePanel();
        window->resultsPanel()->browseButton()->click();
        panel->setCurrentIndex(search::SingersPage);
        auto* grid = panel->singerGrid();
        QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("刘德华"));  // the whole list at start

        button(panel, QStringLiteral("Z"))->click();
        QCOMPARE(panel->letterBox()->text(), QStringLiteral("Z"));
        QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("张惠妹"));
        QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("张杰"));  // column by column
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("张韶涵"));
        QCOMPARE(grid->item(2, 3)->text(), QStringLiteral("周杰伦"));

        QSignalSpy done(&station->search(), &search::SearchController::finished);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(2, 3)).center());
        QVERIFY(done.wait(3000));
        QCOMPARE(window->searchPanel()->searchBox()->currentText(), QStringLiteral("周杰伦"));
        QCOMPARE(station->results().count(), 1);  // the music tab: mp3 only

        button(panel, QStringLiteral("下一页"))->click();
        QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("卓依婷"));
        QCOMPARE(grid->item(0, 1)->text(), QString());

        // From the keyboard: Enter on a cell searches for its name, not for the box's text.
        window->searchPanel()->searchBox()->setEditText(QStringLiteral("别的"));
        grid->setFocus();
        grid->setCurrentCell(0, 0);
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(done.wait(3000));
        QCOMPARE(window->searchPanel()->searchBox()->currentText(), QStringLiteral("卓依婷"));

        QTest::mouseDClick(panel->letterBox(), Qt::LeftButton);
        QCOMPARE(panel->letterBox()->text(), QString());
        QCOMPARE(grid->item(0, 0)->text(), QString());
    }

    void newArrivalsAndTheHotRankingTakeTheListOver() {
        writeFile(dir->filePath(QStringLiteral("数据文件/热门推荐.txt")),
                  gbLines({QStringLiteral("002C,E:\\Brask搜歌库\\1-音乐\\3021周杰伦-稻香.mp3")}));
        start();
        auto* results = window->resultsPanel();
        QVERIFY(!window->newArrivalsBar()->isVisible());
        results->newArrivalsButton()->click();
        QVERIFY(window->newArrivalsBar()->isVisible());
        QSignalSpy done(&station->readyListings(), &library::ReadyListings::finished);
        button(window->newArrivalsBar(), QStringLiteral("电影"))->click();
        QVERIFY(done.wait(3000));
        QCOMPARE(station->results().count(), 1);
        QCOMPARE(station->results().path(0), std::string("E:\\Brask搜歌库\\3-电影\\新增电影\\风声.mp4"));

        results->hotRankingButton()->click();
        QCOMPARE(station->results().count(), 1);
        auto* model = results->resultView()->model();
        QCOMPARE(model->data(model->index(0, 0)).toString(), QStringLiteral("002C,3021周杰伦-稻香"));
        QCOMPARE(results->countLabel()->text(), QStringLiteral("1 个对象"));
    }

    void anEmptyHotListSaysSoAndLeavesTheList() {
        start();
        QString text;
        QTimer::singleShot(200, this, [&text] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = box->text();
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        window->resultsPanel()->hotRankingButton()->click();
        QCOMPARE(text, QStringLiteral("对不起，目前还没有记录"));
        QCOMPARE(station->results().source(), library::ResultList::Source::SearchResults);
    }

private:
    void start() {
        station = std::make_unique<app::Station>(core::ProgramFolders::at(dir->path().toStdString()));
        window = std::make_unique<ui::TForm1>(*station);
        QSignalSpy started(station.get(), &app::Station::startupFinished);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(!started.isEmpty() || started.wait(2000));
        QTRY_VERIFY(!station->listings().walking());
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<app::Station> station;
    std::unique_ptr<ui::TForm1> window;
};

QTEST_MAIN(BrowsePanelTest)
#include "browsepanel_test.moc"
