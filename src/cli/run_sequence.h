#pragma once

/// The whole program: scans the command line, reads the header, decodes the
/// recording and returns the process exit code (see exit_codes.h).
int run(int argc, char* argv[]);
