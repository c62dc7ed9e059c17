#include "cli/run_sequence.h"

int main(int argc, char* argv[]) {
    return run(argc, argv);
}
