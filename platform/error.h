#pragma once
#include <cstring>
#include <stdexcept>
#include <string>

namespace quarvel {

// A failure deep inside an operation, carrying the ready-made text that the
// command which started the operation shows to the user.
class QuarvelError : public std::runtime_error {
public:
    explicit QuarvelError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kProductName = "Quarvel";

// The system's words for an error number (errno), as a message ends with them.
inline std::string SystemErrorText(int error) { return std::strerror(error); }

}  // namespace quarvel
