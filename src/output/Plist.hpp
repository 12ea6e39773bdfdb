#pragma once

#include "core/ByteUtils.hpp"

#include <memory>
#include <optional>
#include <plist/plist.h>
#include <string>
#include <vector>

namespace ventora {

/// Owning handles and small accessors over libplist's C interface. A node is owned by
/// exactly one PlistPtr until it is handed to a container with `setItem`, which takes the
/// ownership over; borrowed nodes (plist_t) are never freed by this code.
namespace Plist {

struct NodeDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, NodeDeleter>;

/// Parses an XML or binary property list. Throws an AppError naming `origin` when the bytes
/// are not a property list (libplist gives no reason of its own).
[[nodiscard]] PlistPtr parse(ByteView bytes, const std::string& origin);

/// Serialises a node as an XML 1.0 property list.
[[nodiscard]] Bytes toXml(plist_t root);

/// Serialises a node as a binary property list.
[[nodiscard]] Bytes toBinary(plist_t root);

[[nodiscard]] PlistPtr newDictionary();
[[nodiscard]] PlistPtr newData(ByteView bytes);

/// A deep copy of `node`, owned by the caller.
[[nodiscard]] PlistPtr copy(plist_t node);

/// The item under `key` when `dictionary` is a dictionary holding one of type `type`.
[[nodiscard]] plist_t item(plist_t dictionary, const std::string& key, plist_type type);

/// The bytes of a data node; absent for any other node or none.
[[nodiscard]] std::optional<Bytes> dataValue(plist_t node);

/// Stores `value` under `key`, freeing what was there; the dictionary owns `value` after.
void setItem(plist_t dictionary, const std::string& key, PlistPtr value);

/// Removes `key` when present (libplist asserts on a missing key).
void removeItem(plist_t dictionary, const std::string& key);

/// The dictionary's keys, copied, so the dictionary may be edited while they are walked.
[[nodiscard]] std::vector<std::string> keys(plist_t dictionary);

} // namespace Plist
} // namespace ventora
