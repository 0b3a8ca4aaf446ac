// The HTML document generator.
#include "output/generator.h"

namespace output {

int generate(int, const std::vector<std::string>&, const GeneratorOptions&) { return kGenerateNoDefinition; }
int generateFromDefinition(const std::string&, const GeneratorOptions&) { return kGenerateNoDefinition; }

}  // namespace output
