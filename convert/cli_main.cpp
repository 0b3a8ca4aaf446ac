// chronava-cli: the console form of the convert and dump commands.
#include "convert/cli.h"

int main(int argc, char** argv) { return convert::runCommandLine(argc, argv); }
