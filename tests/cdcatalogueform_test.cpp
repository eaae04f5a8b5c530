#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPrintDialog>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "core/errors.h"
#include "core/settings.h"
#include "platform/textcodec.h"
#include "ui/cdcatalogueform.h"

using namespace zorvik;

namespace {

// Runs `answer` on the next modal dialog of type T as soon as it shows; an answer that returns false is
// asked again at the next tick (a file dialog fills its view on a thread of its own). Whatever stays modal
// after the answer (a "not found" box, an answer cut short by a failed check), or a dialog never answered
// within a minute, is closed, so a test fails instead of hanging the run.
template <typename T>
void whenShown(std::function<bool(T*)> answer) {
    struct State {
        bool answered = false;
        QPointer<QWidget> dialog;
        QElapsedTimer waited;
    };
    auto state = std::make_shared<State>();
    state->waited.start();
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, state] {
        QWidget* modal = QApplication::activeModalWidget();
        const auto finish = [poll] {
            poll->stop();
            poll->deleteLater();
        };
        if (!state->answered) {
            auto* dialog = qobject_cast<T*>(modal);
            if (dialog && answer(dialog)) {
                state->answered = true;
                state->dialog = dialog;
            } else if (state->waited.elapsed() > 60000) {
                if (modal) modal->close();
                finish();
            }
            return;
        }
        // Only the answered dialog or a box it opened; a later step's dialog belongs to that step's poll.
        bool left = false;
        for (QObject* o = modal; o && state->dialog && !left; o = o->parent()) left = o == state->dialog;
        if (!left) return finish();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    poll->start(20);
}

template <typename T>
void whenShown(std::function<void(T*)> answer) {
    whenShown<T>(std::function<bool(T*)>([answer](T* dialog) {
        answer(dialog);
        return true;
    }));
}

class ErrorCatcher {
public:
    explicit ErrorCatcher(core::ErrorReports& errors) {
        QObject::connect(&errors, &core::ErrorReports::reported, &errors,
                         [this](const QString& m) { messages.push_back(m); });
    }
    QStringList messages;
};

struct Fixture {
    QTemporaryDir dir;
    core::ErrorReports errors;
    core::Settings settings{dir.filePath(QStringLiteral("Corlen.ini")).toStdString(), errors};

    QString file(const QString& name) {
        const QString path = dir.filePath(QStringLiteral("music/") + name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }
    QByteArray iniBytes() const {
        QFile f(dir.filePath(QStringLiteral("Corlen.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Prints the window's catalogue to a PDF and returns its text, pages split by form feeds.
    QString printed(ui::TCDMuLuForm& window, bool* ok = nullptr) {
        const QString pdf = dir.filePath(QStringLiteral("catalogue.pdf"));
        QFile::remove(pdf);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        const bool done = window.printTo(printer);
        if (ok) *ok = done;
        return pdfText(pdf);
    }
    static int pages(const QString& pdf) {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        if (!info.waitForFinished(10000)) return -1;
        for (const QByteArray& line : info.readAllStandardOutput().split('\n'))
            if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
        return -1;
    }
    static QString pdfText(const QString& pdf) {
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!text.waitForFinished(10000)) return {};
        return QString::fromUtf8(text.readAllStandardOutput());
    }
};

// Chinese text arrives as an input method's commit, as fcitx5 sends it.
void type(QWidget* widget, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(widget, &commit);
}

// The printed lines of a pdftotext text, runs of blanks as one, empty lines skipped.
QStringList printedLines(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(u'\n')) {
        QString kept = line;
        kept.remove(u'\f');
        kept = kept.simplified();  // pdftotext's blanks follow the glyph positions
        if (!kept.isEmpty()) lines << kept;
    }
    return lines;
}

// The initial header as pdftotext gives it back.
const QString kHeader = QStringLiteral("-- -- -- --我的音乐-- -- -- --");

}  // namespace

class CdCatalogueFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void threeChosenFilesLayOutAsFourLinesTwentyPixelsHigh() {
        Fixture s;
        const QStringList files{s.file(QStringLiteral("1.mp3")), s.file(QStringLiteral("a.mp3.remix.mp3")),
                                s.file(QStringLiteral("冰雨.wma"))};
        ui::TCDMuLuForm window(s.settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Brask搜歌 之 CD目录"));
        QCOMPARE(window.headerField()->text(), QStringLiteral("--  -- --  --我的音乐--  --  --  --"));

        const QDir music(s.dir.filePath(QStringLiteral("music")));
        const QStringList chosen{music.filePath(QStringLiteral("1.mp3")), music.filePath(QStringLiteral("a.mp3.remix.mp3")),
                                 music.filePath(QStringLiteral("冰雨.wma"))};  // sorted
        bool rightMode = false;
        whenShown<QFileDialog>(std::function<bool(QFileDialog*)>([&](QFileDialog* dialog) {
            rightMode = dialog->fileMode() == QFileDialog::ExistingFiles;
            if (dialog->directory() != music) dialog->setDirectory(music);
            // Typed as the operator types them: selectFile() leaves the name box alone while it has the focus.
            auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!nameBox) return false;
            nameBox->setText(QStringLiteral("\"1.mp3\" \"a.mp3.remix.mp3\" \"冰雨.wma\""));
            QStringList selected = dialog->selectedFiles();
            selected.sort();
            if (selected != chosen) return false;
            static_cast<QDialog*>(dialog)->accept();  // the dialog's own accept, as its Open button
            return true;
        }));
        QTest::mouseClick(window.addButton(), Qt::LeftButton);
        QVERIFY(rightMode);
        const QString blanks(30, u' ');
        QCOMPARE(window.catalogue().nameLines().size(), 3);
        QVERIFY(window.catalogue().nameLines().contains(QStringLiteral("a.remix.mp3") + blanks));
        QCOMPARE(window.nameList()->model()->rowCount(), 3);

        QTest::mouseClick(window.layOutButton(), Qt::LeftButton);
        const QStringList lines = window.catalogue().catalogue();
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], window.headerField()->text());
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(lines[i], QString::number(i) + QStringLiteral("...") + window.catalogue().nameLines()[i - 1]);
        for (QListView* view : {window.nameList(), window.catalogueList()})
            QCOMPARE(view->visualRect(view->model()->index(1, 0)).height(), 20);

        // A cancelled dialog changes nothing.
        whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
        QTest::mouseClick(window.addButton(), Qt::LeftButton);
        QCOMPARE(window.catalogue().nameLines().size(), 3);
        QCOMPARE(window.catalogue().catalogue(), lines);
    }

    void printsTheHeaderAloneWithoutLayOutAndTheLiveHeaderAfterIt() {
        Fixture s;
        ui::TCDMuLuForm window(s.settings);
        window.addressField()->setText(QStringLiteral("幸福路 8 号"));
        window.telephoneField()->setText(QStringLiteral("0000-1234567"));
        QCOMPARE(printedLines(s.printed(window)),
                 (QStringList{kHeader, QStringLiteral("地址:幸福路 8 号"),
                              QStringLiteral("电话:0000-1234567")}));

        window.catalogue().setFiles({s.file(QStringLiteral("忘情水.mp3")), s.file(QStringLiteral("x.wma"))});
        window.layOutButton()->click();
        window.headerField()->selectAll();
        type(window.headerField(), QStringLiteral("店长推荐"));
        QCOMPARE(window.catalogueList()->model()->index(0, 0).data().toString(), QStringLiteral("店长推荐"));
        QCOMPARE(printedLines(s.printed(window)),
                 (QStringList{QStringLiteral("店长推荐"), QStringLiteral("1...忘情水"), QStringLiteral("2...x"),
                              QStringLiteral("地址:幸福路 8 号"), QStringLiteral("电话:0000-1234567")}));
        QCOMPARE(window.printFont().pointSize(), 12);
    }

    void aLongCatalogueRunsOntoASecondPageAndALongLineWraps() {
        Fixture s;
        ui::TCDMuLuForm window(s.settings);
        QStringList files;
        for (int i = 1; i <= 80; ++i) files << QStringLiteral("/m/歌曲%1.mp3").arg(i, 2, 10, QLatin1Char('0'));
        files << QStringLiteral("/m/") + QString(60, u'长') + QStringLiteral("尾.mp3");
        window.catalogue().setFiles(files);
        window.catalogue().layOut();
        window.telephoneField()->setText(QStringLiteral("12345"));

        bool ok = false;
        const QString text = s.printed(window, &ok);
        QVERIFY(ok);
        QCOMPARE(Fixture::pages(s.dir.filePath(QStringLiteral("catalogue.pdf"))), 2);
        const QStringList pages = text.split(u'\f');
        const QStringList first = printedLines(pages[0]), second = printedLines(pages[1]);
        QVERIFY(first.size() > 30 && second.size() > 5);
        QCOMPARE(first.first(), kHeader);
        QCOMPARE(second.last(), QStringLiteral("电话:12345"));
        // Every line once, in order, across the break; the long one wrapped, not cut off.
        const QString all = (first + second).join(u'\n');
        qsizetype at = 0;
        for (int i = 1; i <= 80; ++i) {
            const qsizetype next = all.indexOf(QStringLiteral("%1...歌曲%2").arg(i).arg(i, 2, 10, QLatin1Char('0')), at);
            QVERIFY2(next > at || i == 1, qPrintable(QString::number(i)));
            at = next;
        }
        QVERIFY(all.indexOf(QStringLiteral("81...长长")) > at);
        QVERIFY(all.contains(QStringLiteral("长尾")));
    }

    void aFailedJobShowsTheErrorBoxAndACancelledDialogPrintsNothing() {
        Fixture s;
        ui::TCDMuLuForm window(s.settings);
        ErrorCatcher errors(s.errors);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(s.dir.filePath(QStringLiteral("no such folder/x.pdf")));
        QVERIFY(!window.printTo(printer));
        QCOMPARE(errors.messages.size(), 1);
        QVERIFY(errors.messages[0].contains(QStringLiteral("打印")));

        const QString pdf = s.dir.filePath(QStringLiteral("dialog.pdf"));
        window.printer().setOutputFormat(QPrinter::PdfFormat);
        window.printer().setOutputFileName(pdf);
        whenShown<QPrintDialog>([](QPrintDialog* dialog) { dialog->reject(); });
        window.printButton()->click();
        QVERIFY(!QFile::exists(pdf));

        whenShown<QPrintDialog>([](QPrintDialog* dialog) { dialog->accept(); });
        window.printButton()->click();
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(printedLines(Fixture::pdfText(pdf)).first(), kHeader);
        QCOMPARE(errors.messages.size(), 1);
    }

    void addressAndTelephoneComeBackAfterARestart() {
        Fixture s;
        {
            ui::TCDMuLuForm window(s.settings);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.addressField()->text(), QString());
            type(window.addressField(), QStringLiteral("解放路 12 号"));
            QTest::keyClicks(window.telephoneField(), QStringLiteral("5551234"));
            // Written at every change: the file holds them while the window is still open.
            QCOMPARE(QString::fromStdString(s.settings.read("DiZi", "DiZi1")), QStringLiteral("解放路 12 号"));
            QCOMPARE(QString::fromStdString(s.settings.read("DianHua", "DianHua1")), QStringLiteral("5551234"));
        }
        QVERIFY(s.iniBytes().contains(QByteArray::fromStdString(platform::utf8ToGb18030("[DiZi]\r\nDiZi1=解放路 12 号\r\n"))));
        ui::TCDMuLuForm again(s.settings);
        QCOMPARE(again.addressField()->text(), QStringLiteral("解放路 12 号"));
        QCOMPARE(again.telephoneField()->text(), QStringLiteral("5551234"));
    }
};

QTEST_MAIN(CdCatalogueFormTest)
#include "cdcatalogueform_test.moc"
