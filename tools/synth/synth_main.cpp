#include "synth_cli.h"

int main(int argc, char* argv[]) {
    return synth_cli_run(argc, argv);
}
