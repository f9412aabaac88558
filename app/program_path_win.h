#pragma once
// Where the program lives: its directory, and the library file beside it.

#include <filesystem>

namespace moravel {

// The directory of the running program file (GetModuleFileNameW, cut before
// the last separator). Long paths are read whole.
std::filesystem::path programDirectory();

// The library file: the program's directory, then "call.ini". Built anew on
// every call, as every load and save asks for it.
std::filesystem::path programLibraryPath();

}  // namespace moravel
