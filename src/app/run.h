#pragma once
// The run flow from start to end: usage text, options, database modes, record run and the
// closing report. Returns the process exit status.

namespace vestrel {

int runProgram(int argc, char** argv);

}  // namespace vestrel
