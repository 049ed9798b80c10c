#pragma once
#include <string>
#include <string_view>

namespace quarvel {

// XHTML as an XML parser reads it: HTML's named entities as their
// characters, a reference to no character as U+FFFD, and an & that starts no
// entity as itself. CDATA holds no entities.
std::string WithXmlEntitiesOnly(std::string_view html);

}  // namespace quarvel
