#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QCoreApplication;

namespace zorvik::platform {
class InstanceGuard;
}

namespace zorvik::ui {

class TCDMuLuForm;
class TForm1;
class TGYuForm4;
class Twang;

// Qt's own texts (message box buttons, edit menus) in Chinese, as the shop's
// Chinese Windows showed them, whatever the machine's locale. False when the
// translations are not installed; the texts stay English then.
bool installChineseQtTexts(QCoreApplication& application);

// Takes the machine-wide guard; when another station holds it, says so in a
// box and returns false. A lock file that cannot be used goes to `showError`.
bool claimStation(platform::InstanceGuard& guard, const std::function<void(const QString&)>& showError);

// The error box.
void showError(const QString& message);

// The main window's buttons, links and menu entries that open the web
// search, about and CD catalogue windows.
void connectSideWindows(TForm1& mainWindow, Twang& webSearch, TGYuForm4& about, TCDMuLuForm& cdCatalogue);

// SIGTERM, SIGINT or SIGHUP: open boxes are closed and the station closes as
// the operator would close it; the event loop ends. The error boxes are
// disconnected first: what the close still reports goes to standard error.
void closeForTermination(TForm1& mainWindow, QMetaObject::Connection& errorBoxes);

// Program entry: one station per machine, its six windows, the event loop.
int runProgram(int argc, char** argv);

}  // namespace zorvik::ui
