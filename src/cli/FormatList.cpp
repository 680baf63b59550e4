// Catalog look-ups of the command line, kept apart from the settings headers.
#include "formats/FormatCatalog.h"

#include <iostream>

namespace orvel::cli {

bool FormatCodeExists(int code) {
    return FormatNameOfCode(code).has_value();
}

void PrintFormats(std::ostream& out) {
    for (const int code : AllFormatCodes())
        out << code << "\t" << FormatNameOfCode(code).value_or("") << "\n";
}

} // namespace orvel::cli
