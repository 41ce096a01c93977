// The names of the compounds a run is given, and which of them a text holds, every code unit taken
// literally as like '%name%' takes it (letter case included). A trie of the names is walked from each
// position of the text; names are short and most walks end at their first code unit, whose children
// of the root are found in a table of their own.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <unordered_map>
#include <vector>

class CompoundNameMatcher {
public:
    // Empty names are left out; a name given twice is one name.
    explicit CompoundNameMatcher(const std::vector<QString>& names);

    // The distinct names, numbered from 0.
    uint32_t NameCount() const { return static_cast<uint32_t>(m_names.size()); }
    const QString& Name(uint32_t index) const { return m_names[index]; }

    // Bytes the trie and the names take (the table of the root's children, about 40 a node below).
    std::size_t BytesHeld() const;

    // Calls found(index) for each name the text holds, once for each place it occurs.
    template <typename Found> void ForEachHeld(QStringView text, Found found) const {
        const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
        const auto size = static_cast<std::size_t>(text.size());
        for (std::size_t from = 0; from < size; ++from) {
            uint32_t node = m_rootChildren[units[from]];
            for (std::size_t at = from + 1; node != 0; ++at) {
                if (m_nameAt[node] >= 0)
                    found(static_cast<uint32_t>(m_nameAt[node]));
                if (at == size)
                    break;
                const auto child = m_children.find(Key(node, units[at]));
                node = child == m_children.end() ? 0 : child->second;
            }
        }
    }

private:
    static uint64_t Key(uint32_t node, char16_t unit) { return (uint64_t(node) << 16) | unit; }

    std::vector<QString> m_names;
    std::vector<uint32_t> m_rootChildren;             // by code unit; 0: no name begins with it
    std::unordered_map<uint64_t, uint32_t> m_children; // (node, code unit) -> child, below the root
    std::vector<int32_t> m_nameAt;                     // by node: the name that ends there, or -1
};
