#include "pages/rules/CompoundNameMatcher.h"

std::size_t CompoundNameMatcher::BytesHeld() const {
    std::size_t bytes = m_rootChildren.capacity() * sizeof(uint32_t) + m_nameAt.capacity() * sizeof(int32_t) +
                        m_children.bucket_count() * sizeof(void*) +
                        m_children.size() * (sizeof(std::pair<const uint64_t, uint32_t>) + 2 * sizeof(void*));
    for (const QString& name : m_names)
        bytes += sizeof(QString) + static_cast<std::size_t>(name.capacity()) * sizeof(QChar) + 16;
    return bytes;
}

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
