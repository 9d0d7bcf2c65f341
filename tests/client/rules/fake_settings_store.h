#pragma once

// A settings store in memory: values keep the type they were written with, and a test can make
// a group impossible to open or a value impossible to write.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>

#include "client/rules/client_settings.h"

namespace vesk::test {

class FakeSettingsStore : public SettingsStore {
public:
    using Value = std::variant<std::int32_t, std::string>;

    bool HasGroup(SettingsGroup group) override { return groups.count(group) != 0; }
    bool OpenForWriting(SettingsGroup group) override {
        if (!openable) return false;
        groups.insert(group);
        return true;
    }
    std::optional<std::int32_t> ReadNumber(SettingsGroup group, std::string_view name) override {
        const Value* value = Find(group, name);
        if (value == nullptr || !std::holds_alternative<std::int32_t>(*value)) return std::nullopt;
        return std::get<std::int32_t>(*value);
    }
    std::optional<std::string> ReadText(SettingsGroup group, std::string_view name) override {
        const Value* value = Find(group, name);
        if (value == nullptr || !std::holds_alternative<std::string>(*value)) return std::nullopt;
        return std::get<std::string>(*value);
    }
    bool WriteNumber(SettingsGroup group, std::string_view name, std::int32_t value) override {
        return Write(group, name, value);
    }
    bool WriteText(SettingsGroup group, std::string_view name, std::string_view text) override {
        return Write(group, name, std::string(text));
    }

    void Put(SettingsGroup group, std::string_view name, Value value) {
        groups.insert(group);
        values[{group, std::string(name)}] = std::move(value);
    }

    bool openable = true;
    std::set<std::string> failingWrites;
    std::set<SettingsGroup> groups;
    std::map<std::pair<SettingsGroup, std::string>, Value> values;
    int writes = 0;

private:
    const Value* Find(SettingsGroup group, std::string_view name) const {
        const auto found = values.find({group, std::string(name)});
        return found == values.end() ? nullptr : &found->second;
    }
    bool Write(SettingsGroup group, std::string_view name, Value value) {
        ++writes;
        if (failingWrites.count(std::string(name)) != 0) return false;
        values[{group, std::string(name)}] = std::move(value);
        return true;
    }
};

}  // namespace vesk::test
