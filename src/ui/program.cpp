#include "ui/program.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <cstdlib>

#include "app/station.h"
#include "core/errors.h"
#include "core/startuptrace.h"
#include "platform/inputmethods.h"
#include "platform/instanceguard.h"
#include "platform/termination.h"
#include "ui/aboutwindow.h"
#include "ui/cdcatalogueform.h"
#include "ui/basicsettingspanel.h"
#include "ui/mainwindow.h"
#include "ui/panellinks.h"
#include "ui/parameterswindow.h"
#include "ui/picturewindow.h"
#include "ui/searchpanel.h"
#include "ui/texts.h"
#include "ui/websearchwindow.h"

namespace zorvik::ui {

bool installChineseQtTexts(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qt_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void showError(const QString& message) {
    core::traceStartup("error box");
    QMessageBox::critical(QApplication::activeWindow(), texts::kApplicationTitle, message);
}

bool claimStation(platform::InstanceGuard& guard, const std::function<void(const QString&)>& showError) {
    const auto claim = guard.claim();
    if (claim == platform::InstanceGuard::Claim::Held) return true;
    if (claim == platform::InstanceGuard::Claim::Unusable) {
        showError(QStringLiteral("无法打开单实例锁文件：") + QString::fromStdString(guard.path()) +
                  (guard.problem().empty() ? QString() : QStringLiteral("\n") + QString::fromStdString(guard.problem())));
        return false;
    }
    if (claim == platform::InstanceGuard::Claim::OwnedByAnother) {
        showError(QString::fromStdString("锁文件属于其他用户: " + guard.path()));
        return false;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"), texts::kAlreadyRunning,
                    QMessageBox::Ok);
    box.exec();
    return false;
}

void connectSideWindows(TForm1& mainWindow, Twang& webSearch, TGYuForm4& about, TCDMuLuForm& cdCatalogue) {
    QObject::connect(mainWindow.searchPanel(), &SearchPanel::webSearchRequested, &webSearch, &Twang::webSearch);
    QObject::connect(mainWindow.panelLinks(), &PanelLinks::aboutRequested, &about, &TGYuForm4::showAbout);
    QObject::connect(mainWindow.panelLinks(), &PanelLinks::disclaimerRequested, &about, &TGYuForm4::showDisclaimer);
    QObject::connect(&mainWindow, &TForm1::cdCatalogueRequested, &cdCatalogue, &TCDMuLuForm::open);
}

void closeForTermination(TForm1& mainWindow, QMetaObject::Connection& errorBoxes) {
    // A box waiting for the operator must not keep the session's end
    // waiting: each is closed as its close button would, and what the close
    // still has to say goes to standard error.
    QObject::disconnect(errorBoxes);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QDialog*>(window); box && box->isVisible()) box->reject();
    mainWindow.close();
    // Every event loop ends, a box's own too.
    QCoreApplication::quit();
}

int runProgram(int argc, char** argv) {
    core::traceStartup("entry");
    QApplication application(argc, argv);
    QApplication::setApplicationName(texts::kApplicationTitle);
    // Before the first box: "程序已经运行" has its button in Chinese too.
    installChineseQtTexts(application);
    core::traceStartup("application");

    platform::InstanceGuard guard;  // held until the process ends
    if (!claimStation(guard, showError)) return 0;

    app::Station station(core::ProgramFolders::locate());
    // Queued: the box opens once the operation that failed has returned, never
    // inside it, whichever thread or event loop it reported from.
    QMetaObject::Connection errorBoxes = QObject::connect(
        &station.errors(), &core::ErrorReports::reported, &application, &showError, Qt::QueuedConnection);
    // Asked over D-Bus: once, for both windows that offer them.
    const std::vector<std::string> inputMethods = platform::installedInputMethods();
    TForm1 mainWindow(station, inputMethods);
    core::traceStartup("main window");
    Twang webSearch;
    TGYuForm4 about(station.settings(), station.folders());
    TTuForm pictures(station);
    TCDMuLuForm cdCatalogue(station.settings());
    TCanSHuForm parameters(station.settings(), station.cues(), inputMethods);
    core::traceStartup("secondary windows");
    // The prices are read once, here, and hold until the next start.
    station.tally().setPrices(parameters.unitPrices());
    QObject::connect(&mainWindow, &TForm1::parametersRequested, &parameters, [&parameters] {
        parameters.show();
        parameters.raise();
        parameters.activateWindow();
    });
    connectSideWindows(mainWindow, webSearch, about, cdCatalogue);
    openPicturesFromCategoryTab(mainWindow, pictures);
    QObject::connect(&station, &app::Station::optionBoxesLoaded, &parameters, &TCanSHuForm::setOptionBoxes);
    // The search box takes the configured input method at start-up, whatever
    // the search mode, and a new choice at once unless numbers are keyed in.
    QObject::connect(&station, &app::Station::startupFinished, &mainWindow, [&] {
        station.searchInputMethod().setChosen(parameters.inputMethod());
        // Over a first start's basic settings the focus stays in the panel.
        if (!mainWindow.basicSettingsPanel()->isVisible()) mainWindow.searchPanel()->focusSearchBox();
    });
    QObject::connect(&parameters, &TCanSHuForm::inputMethodChosen, &station.searchInputMethod(),
                     &search::SearchInputMethod::choose);
    mainWindow.show();
    core::traceStartup("main window shown");
    // A session that ends closes the station as the operator would.
    platform::TerminationWatcher termination;
    QObject::connect(&termination, &platform::TerminationWatcher::terminationRequested, &mainWindow,
                     [&mainWindow, &errorBoxes] { closeForTermination(mainWindow, errorBoxes); });
    int result = QApplication::exec();

    // Let the exit sound finish; the window is already gone, and the jobs
    // were asked to stop when it closed.
    station.cues().waitUntilQuiet(mainWindow.exitLingerMs());
    // A copy stuck in a call on a hung device can never be joined: ending the
    // process is what frees it. Everything worth keeping was saved at close.
    if (!station.jobsEnded()) std::_Exit(result);
    QObject::disconnect(errorBoxes);
    return result;
}

}  // namespace zorvik::ui
