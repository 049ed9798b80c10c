#pragma once
// A file's bytes, written and read whole, for the tests.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace quarvel {

inline void Put(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    EXPECT_TRUE(out.good()) << path;
}

inline std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace quarvel
