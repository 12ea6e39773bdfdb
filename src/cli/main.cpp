#include "cli/CommandLine.hpp"

int main(int argc, char** argv) {
    return ventora::cli::runCommandLine({argv + 1, argv + argc},
                                        ventora::PlatformContext::fromSystem);
}
