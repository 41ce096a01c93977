// The registry's classes root, kept in one file. Every operation reads the file afresh under a lock
// (so several processes share it) and an operation that changes something writes the whole file
// anew beside it, flushes it to disk and renames it into place: a crash leaves the old file or the
// new one, never a mix.
#pragma once

#include "platform/automation/Automation.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace automation {

struct RegistryNode {
    std::u16string name;                             // as first written; lookups ignore ASCII case
    std::optional<std::u16string> value;             // the key's default value
    std::map<std::u16string, RegistryNode> children; // by folded name

    // The node at a relative path ("a\b\c"), or null.
    RegistryNode* Find(std::u16string_view path);
    const RegistryNode* Find(std::u16string_view path) const;
    // The node at a relative path, created with its parents where missing.
    RegistryNode& Create(std::u16string_view path);
    // Removes the child at a relative path; false when there is none.
    bool Remove(std::u16string_view path);
};

class RegistryStore {
public:
    // TESSEL_REGISTRY when set, else $XDG_CONFIG_HOME/tessel/registry, else ~/.config/tessel/registry.
    static std::string FilePath();

    // Reads the tree and hands it to `read`; ERROR_BADDB when the file is damaged, which is then
    // told on the debug output and by LastProblem().
    static LSTATUS Read(const std::function<LSTATUS(const RegistryNode& root)>& read);
    // Reads the tree, lets `change` edit it and writes it back when it answers ERROR_SUCCESS and
    // the tree differs from what was read.
    static LSTATUS Update(const std::function<LSTATUS(RegistryNode& root)>& change);

    // "PATH:LINE: why" for the last damaged file found; empty when none was.
    static std::string LastProblem();

    // The path's components, empty ones dropped.
    static std::vector<std::u16string_view> SplitPath(std::u16string_view path);
    static std::u16string Fold(std::u16string_view name);
};

} // namespace automation
