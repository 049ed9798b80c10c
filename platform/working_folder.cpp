#include "platform/working_folder.h"

#include <unistd.h>

#include <vector>

namespace quarvel {

std::string WorkingFolder() {
    std::vector<char> buffer(4096);
    return getcwd(buffer.data(), buffer.size()) ? std::string(buffer.data()) : std::string();
}

}  // namespace quarvel
