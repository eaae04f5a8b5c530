#pragma once

namespace zorvik::ui {

// Program entry: one station per machine, its six windows, the event loop.
int runProgram(int argc, char** argv);

}  // namespace zorvik::ui
