#include "app/run.h"

int main(int argc, char** argv) { return vestrel::runProgram(argc, argv); }
