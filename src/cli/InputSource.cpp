#include "cli/InputSource.hpp"

#include "core/AppError.hpp"
#include "core/Ascii.hpp"

#include <algorithm>

namespace ventora::cli {
namespace {

constexpr std::string_view fromGpuOption = "--from-gpu";

SysfsGPU chooseGPU(const std::string& address, const PlatformContext& context) {
    if (!context.sysfsDirectory) {
        throw AppError("--from-gpu reads the running driver's table through Linux sysfs, which "
                       "this system does not have.");
    }
    const auto gpus = SysfsPciTree::supportedGPUs(*context.sysfsDirectory);
    if (!gpus) {
        throw AppError("Could not read sysfs to find the GPU.");
    }
    if (!address.empty()) {
        // sysfs names functions in lower case; an address typed in upper case is the same one.
        const std::string wanted = Ascii::lowercased(address);
        const auto found = std::find_if(gpus->begin(), gpus->end(),
                                        [&](const SysfsGPU& gpu) { return gpu.address == wanted; });
        if (found == gpus->end()) {
            throw AppError("No supported AMD GPU is at " + address + " in sysfs.");
        }
        return *found;
    }
    if (gpus->empty()) {
        throw AppError("No supported AMD GPU was found in sysfs.");
    }
    if (gpus->size() > 1) {
        throw AppError("Several supported AMD GPUs were found in sysfs: " +
                       SysfsPciTree::describe(*gpus) + ". Choose one with --from-gpu=ADDRESS.");
    }
    return gpus->front();
}

} // namespace

std::optional<std::string> takeFromGpuOption(std::vector<std::string>& args) {
    std::optional<std::string> address;
    for (auto word = args.begin(); word != args.end();) {
        const bool bare = *word == fromGpuOption;
        if (!bare && !word->starts_with(std::string(fromGpuOption) + "=")) {
            ++word;
            continue;
        }
        if (address) {
            throw UsageError("Option --from-gpu was given twice.");
        }
        address = bare ? "" : word->substr(fromGpuOption.size() + 1);
        if (!bare && address->empty()) {
            throw UsageError("Option --from-gpu= needs an address such as 0000:0c:00.0.");
        }
        word = args.erase(word);
    }
    return address;
}

InputSource chooseInput(const ParsedArguments& arguments, const std::optional<std::string>& fromGpu,
                        const PlatformContext& context) {
    if (!fromGpu) {
        return {singleInput(arguments), std::nullopt};
    }
    if (!arguments.positionals.empty()) {
        throw UsageError("Give either an input file or --from-gpu, not both.");
    }
    const SysfsGPU gpu = chooseGPU(*fromGpu, context);
    return {SysfsPciTree::powerPlayTablePath(*context.sysfsDirectory, gpu), gpu};
}

SpptFileParser::LoadResult loadInput(const InputSource& source) {
    if (source.gpu) {
        return SpptFileParser::loadDriverTable(source.path, source.gpu->vendorID,
                                               source.gpu->deviceID);
    }
    return SpptFileParser::load(source.path);
}

} // namespace ventora::cli
