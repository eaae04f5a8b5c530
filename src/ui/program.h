#pragma once

namespace zorvik::platform {
class InstanceGuard;
}

namespace zorvik::ui {

class TCDMuLuForm;
class TForm1;
class TGYuForm4;
class Twang;

// Takes the machine-wide guard; when another station holds it, says so in a
// box and returns false.
bool claimStation(platform::InstanceGuard& guard);

// The main window's buttons, links and menu entries that open the web
// search, about and CD catalogue windows.
void connectSideWindows(TForm1& mainWindow, Twang& webSearch, TGYuForm4& about, TCDMuLuForm& cdCatalogue);

// SIGTERM, SIGINT or SIGHUP: open boxes are closed and the station closes as
// the operator would close it; the event loop ends.
void closeForTermination(TForm1& mainWindow);

// Program entry: one station per machine, its six windows, the event loop.
int runProgram(int argc, char** argv);

}  // namespace zorvik::ui
