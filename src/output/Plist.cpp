#include "output/Plist.hpp"

#include "core/AppError.hpp"

#include <cstdlib>
#include <limits>

namespace ventora::Plist {
namespace {

// libplist 2.3 changed two calls this file uses: buffers it hands out are released with
// plist_mem_free (before, with free() or the per-format plist_to_*_free, which are free()),
// and plist_from_memory gained an argument reporting the format.
#ifdef VENTORA_LIBPLIST_MEM_FREE
void releaseMemory(void* memory) {
    plist_mem_free(memory);
}

void parseMemory(const char* data, std::uint32_t length, plist_t* root) {
    plist_from_memory(data, length, root, nullptr);
}
#else
void releaseMemory(void* memory) {
    std::free(memory);
}

void parseMemory(const char* data, std::uint32_t length, plist_t* root) {
    plist_from_memory(data, length, root);
}
#endif

// For the strings and buffers libplist hands out.
struct MemoryDeleter {
    void operator()(void* memory) const { releaseMemory(memory); }
};

// For dictionary iterators, which every version documents as released with free().
struct MallocDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};

// `serialiser` is plist_to_xml or plist_to_bin, whose result type differs between versions.
template <typename Serialiser>
Bytes serialise(plist_t root, Serialiser serialiser, const std::string& format) {
    char* raw = nullptr;
    std::uint32_t length = 0;
    serialiser(root, &raw, &length);
    const std::unique_ptr<char, MemoryDeleter> buffer(raw);
    if (!buffer || length == 0) {
        throw AppError("Could not serialise the property list as " + format + ".");
    }
    const auto* begin = reinterpret_cast<const std::uint8_t*>(buffer.get());
    return Bytes(begin, begin + length);
}

} // namespace

PlistPtr parse(ByteView bytes, const std::string& origin) {
    plist_t root = nullptr;
    if (!bytes.empty() && bytes.size() <= std::numeric_limits<std::uint32_t>::max()) {
        parseMemory(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::uint32_t>(bytes.size()), &root);
    }
    PlistPtr owned(root);
    if (!owned) {
        throw AppError("Could not read a property list from " + origin + ".",
                       ErrorKind::invalidInput);
    }
    return owned;
}

Bytes toXml(plist_t root) {
    return serialise(root, plist_to_xml, "XML");
}

Bytes toBinary(plist_t root) {
    return serialise(root, plist_to_bin, "binary");
}

PlistPtr newDictionary() {
    return PlistPtr(plist_new_dict());
}

PlistPtr newData(ByteView bytes) {
    return PlistPtr(plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

PlistPtr copy(plist_t node) {
    return PlistPtr(plist_copy(node));
}

plist_t item(plist_t dictionary, const std::string& key, plist_type type) {
    if (dictionary == nullptr || plist_get_node_type(dictionary) != PLIST_DICT) {
        return nullptr;
    }
    plist_t value = plist_dict_get_item(dictionary, key.c_str());
    return value != nullptr && plist_get_node_type(value) == type ? value : nullptr;
}

std::optional<Bytes> dataValue(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_DATA) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    const char* pointer = plist_get_data_ptr(node, &length);
    if (pointer == nullptr || length == 0) {
        return Bytes{};
    }
    const auto* begin = reinterpret_cast<const std::uint8_t*>(pointer);
    return Bytes(begin, begin + length);
}

void setItem(plist_t dictionary, const std::string& key, PlistPtr value) {
    plist_dict_set_item(dictionary, key.c_str(), static_cast<plist_t>(value.release()));
}

void removeItem(plist_t dictionary, const std::string& key) {
    if (plist_dict_get_item(dictionary, key.c_str()) != nullptr) {
        plist_dict_remove_item(dictionary, key.c_str());
    }
}

std::vector<std::string> keys(plist_t dictionary) {
    std::vector<std::string> result;
    plist_dict_iter raw = nullptr;
    plist_dict_new_iter(dictionary, &raw);
    const std::unique_ptr<void, MallocDeleter> iterator(raw);
    if (!iterator) {
        return result;
    }
    for (;;) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dictionary, raw, &rawKey, &value);
        const std::unique_ptr<char, MemoryDeleter> key(rawKey);
        if (value == nullptr) {
            break;
        }
        result.emplace_back(key ? key.get() : "");
    }
    return result;
}

} // namespace ventora::Plist
