// chronava html-generate DEFINITION.dif [--date YYYY-MM-DD]
#include "output/cli.h"

#include "output/generator.h"

namespace output {

int htmlGenerateCommand(int, char**) { return kGenerateNoDefinition; }

}  // namespace output
