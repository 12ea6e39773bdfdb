#include "cli/Console.hpp"

#include <iostream>

namespace ventora::cli {

void printLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::cout << line << '\n';
    }
    std::cout.flush();
}

int fail(const std::string& message, int code) {
    std::cerr << "ERROR: " << message << std::endl;
    return code;
}

} // namespace ventora::cli
