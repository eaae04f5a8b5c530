#include "ui/program.h"

int main(int argc, char** argv) { return zorvik::ui::runProgram(argc, argv); }
