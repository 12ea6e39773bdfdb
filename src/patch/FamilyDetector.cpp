#include "patch/FamilyDetector.hpp"

#include "core/HexFormat.hpp"

#include <algorithm>

namespace ventora::FamilyDetector {
namespace {

/// The field's value, absent when it lies outside the table.
std::optional<std::uint32_t> valueAt(ByteView table, std::int64_t at, int width) {
    if (!ByteUtils::isRangeValid(table, at, width)) {
        return std::nullopt;
    }
    switch (width) {
    case 1:
        return table[static_cast<std::size_t>(at)];
    case 2:
        return ByteUtils::readUInt16LE(table, at);
    default:
        return ByteUtils::readUInt32LE(table, at);
    }
}

bool holds(ByteView table, std::int64_t base, const FieldCheck& check) {
    const auto value = valueAt(table, base + check.offset, check.width);
    return value && *value >= check.minimum && *value <= check.maximum &&
           (check.pointedBytes == 0 || ByteUtils::isRangeValid(table, *value, check.pointedBytes));
}

/// The first of the table's fields in `checks` that fails, if any.
const FieldCheck* firstFailing(ByteView table, const std::vector<FieldCheck>& checks) {
    const auto failing = std::find_if(checks.begin(), checks.end(), [&](const FieldCheck& check) {
        return !holds(table, 0, check);
    });
    return failing == checks.end() ? nullptr : &*failing;
}

void replace(std::string& text, std::string_view placeholder, const std::string& value) {
    if (const auto at = text.find(placeholder); at != std::string::npos) {
        text.replace(at, placeholder.size(), value);
    }
}

/// Logs the rejection line with the field's value in place of its placeholder.
std::nullopt_t reject(MessageSink messages, std::string_view line, std::uint32_t value) {
    if (messages != nullptr) {
        std::string text(line);
        replace(text, "{value}", std::to_string(value));
        replace(text, "{offset}", hexOffset(value));
        messages->push_back(std::move(text));
    }
    return std::nullopt;
}

std::nullopt_t reject(MessageSink messages, std::string_view line, ByteView table,
                      const FieldCheck& failing) {
    return reject(messages, line, valueAt(table, failing.offset, failing.width).value_or(0));
}

// A flag outside 0/1 or a temperature above 125 °C means the fields are not where the family
// keeps them, so such a table is refused rather than patched.
bool isPlausible(ByteView table, std::int64_t base, const FanTableShape& shape,
                 const std::optional<Capability>& capability) {
    const FanFields& fields = shape.fields;
    const int width = fields.temperatureWidth;
    const FieldCheck fanFields[] = {
        {fields.enable, 1, 0, 1}, {fields.stop, width, 0, 125}, {fields.start, width, 0, 125}};
    const auto holdsHere = [&](const FieldCheck& check) {
        return holds(table, base, check);
    };
    return (!capability || holds(table, 0, {capability->offset, 1, 0, 1})) &&
           std::all_of(std::begin(fanFields), std::end(fanFields), holdsHere) &&
           std::all_of(shape.plausible.begin(), shape.plausible.end(), holdsHere);
}

std::string offsetsLine(const PowerPlayLayout& layout,
                        const std::optional<Capability>& capability) {
    const FanFields& fields = layout.fields;
    const std::string temperatures =
        "StopTemp=" + hexOffset(fields.stop) + ", StartTemp=" + hexOffset(fields.start);
    if (!capability) {
        return "Validated offsets: ZeroRPM=" + hexOffset(fields.enable) + ", " + temperatures + ".";
    }
    return "Validated offsets: " + std::string(capability->label) + "=" +
           hexOffset(capability->offset) + ", " + temperatures +
           ", FanZeroRpmEnable=" + hexOffset(fields.enable) + ".";
}

void logAccepted(const FamilyDescription& family, const PowerPlayLayout& layout,
                 std::vector<std::string>& messages) {
    messages.push_back("Detected supported layout: " + layout.name + ".");
    if (const auto& fanTable = layout.fanTable) {
        messages.push_back(std::string(rawValue(family.family)) +
                           " fan table offset: " + hexOffset(fanTable->offset) + ", revision " +
                           std::to_string(fanTable->revision) + ".");
    }
    messages.push_back(offsetsLine(layout, family.capability));
    if (!family.closingNote.empty()) {
        messages.emplace_back(family.closingNote);
    }
}

FanFields movedBy(FanFields fields, std::int64_t base) {
    fields.enable += base;
    fields.stop += base;
    fields.start += base;
    return fields;
}

/// Where a table keeps its fan fields: the fan table it points to, or the table itself.
struct FanFieldsHome {
    const FanTableShape* shape;
    std::optional<PowerPlayLayout::FanTable> fanTable;

    [[nodiscard]] std::int64_t base() const { return fanTable ? fanTable->offset : 0; }
};

/// Follows the family's link to its fan table, if it has one. Absent, with the reason logged,
/// when the fan table is out of reach, of an unknown revision or cut short.
std::optional<FanFieldsHome> locateFanFields(const FamilyDescription& family, ByteView table,
                                             MessageSink messages) {
    const auto& link = family.fanTableLink;
    if (!link) {
        return FanFieldsHome{&family.shapes.front(), std::nullopt};
    }
    if (!holds(table, 0, link->pointer)) {
        return reject(messages, link->invalidOffset, table, link->pointer);
    }
    const std::int64_t offset = ByteUtils::readUInt16LE(table, link->pointer.offset);
    const int revision = table[static_cast<std::size_t>(offset)];
    const auto shape =
        std::find_if(family.shapes.begin(), family.shapes.end(), [&](const FanTableShape& each) {
            return revision >= each.firstRevision && revision <= each.lastRevision;
        });
    if (shape == family.shapes.end()) {
        return reject(messages, link->unsupportedRevision, revision);
    }
    if (!ByteUtils::isRangeValid(table, offset, shape->length)) {
        if (messages != nullptr) {
            messages->push_back(std::string(rawValue(family.family)) + " fan table revision " +
                                std::to_string(revision) + " is truncated.");
        }
        return std::nullopt;
    }
    return FanFieldsHome{&*shape, PowerPlayLayout::FanTable{offset, revision}};
}

} // namespace

std::optional<PowerPlayLayout> detect(const FamilyDescription& family, ByteView table,
                                      MessageSink messages) {
    for (const SignatureStep& step : family.signature) {
        if (step.note != nullptr && messages != nullptr) {
            messages->push_back(step.note(table));
        }
        if (const FieldCheck* failing = firstFailing(table, step.checks)) {
            return reject(messages, step.rejection, table, *failing);
        }
    }
    const auto home = locateFanFields(family, table, messages);
    if (!home) {
        return std::nullopt;
    }
    if (!isPlausible(table, home->base(), *home->shape, family.capability)) {
        return reject(messages, family.implausible, 0);
    }
    PowerPlayLayout layout{family.family, std::string(family.layoutName),
                           movedBy(home->shape->fields, home->base()), home->fanTable};
    if (layout.fanTable) {
        layout.name += " / ATOM Fan Table rev " + std::to_string(layout.fanTable->revision);
    }
    if (messages != nullptr) {
        logAccepted(family, layout, *messages);
    }
    return layout;
}

} // namespace ventora::FamilyDetector
