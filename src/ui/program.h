#pragma once

namespace zorvik::platform {
class InstanceGuard;
}

namespace zorvik::ui {

// Takes the machine-wide guard; when another station holds it, says so in a
// box and returns false.
bool claimStation(platform::InstanceGuard& guard);

// Program entry: one station per machine, its six windows, the event loop.
int runProgram(int argc, char** argv);

}  // namespace zorvik::ui
