#pragma once

// Vidlet is a windowed program. On Windows such a program starts without standard output, so
// what it prints for --help, --version or a wrong option would be lost when it is started from
// a console: this connects standard output and error to the console of the program that
// started it, unless they already lead somewhere (a pipe or a file). Elsewhere nothing to do.
void attachParentConsole();
