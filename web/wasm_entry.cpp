// The program's entry point in the WebAssembly build. The page and the
// JavaScript module call it once per run on the same instance, with the
// recording on the in-memory or worker file system.
#include <sys/stat.h>

#include "cli/run_sequence.h"

int main(int argc, char* argv[]) {
    // The runtime starts with a umask of 0777: images would be written with
    // mode 000 and could not be read back by the page.
    umask(022);
    return run(argc, argv);
}
