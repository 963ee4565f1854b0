#pragma once

#include <string>

namespace zelmora {

// The folder of the running executable, ending in a separator: the program
// keeps its files there, so a copied program folder carries its own files.
std::string ProgramFolder();

} // namespace zelmora
