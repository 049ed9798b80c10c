#pragma once
#include <initializer_list>
#include <string>
#include <utility>

namespace quarvel {

// The filter of a file dialog, "Description|pattern|...", from masks as the
// user reads them. The file system tells letter cases apart, so each letter
// of a mask becomes a class of both cases; "*.*" becomes "*", since a name
// needs no dot to be a file.
std::string FileDialogFilter(std::initializer_list<std::pair<const char*, const char*>> descriptionsAndMasks);

// The file Browse button's filter.
std::string SearchFileFilter();

}  // namespace quarvel
