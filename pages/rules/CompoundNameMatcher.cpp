#include "pages/rules/CompoundNameMatcher.h"

CompoundNameMatcher::CompoundNameMatcher(const std::vector<QString>& names)
    : m_rootChildren(0x10000, 0), m_nameAt(1, -1) { // node 0: the root
    for (const QString& name : names) {
        if (name.isEmpty())
            continue;
        uint32_t node = 0;
        for (const QChar c : name) {
            const char16_t unit = c.unicode();
            uint32_t& child = node == 0 ? m_rootChildren[unit] : m_children[Key(node, unit)];
            if (child == 0) {
                child = static_cast<uint32_t>(m_nameAt.size());
                m_nameAt.push_back(-1);
            }
            node = child;
        }
        if (m_nameAt[node] < 0) {
            m_nameAt[node] = static_cast<int32_t>(m_names.size());
            m_names.push_back(name);
        }
    }
}
