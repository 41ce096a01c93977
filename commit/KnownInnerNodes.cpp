#include "commit/KnownInnerNodes.h"

#include <algorithm>

std::optional<uint32_t> KnownInnerNodes::Child(int grade, uint32_t parent, const QString& name) const {
    if (name.isEmpty())
        return std::nullopt;
    const auto children = m_children.find({grade, parent});
    if (children == m_children.end())
        return std::nullopt;
    const auto found = children->second.find(name);
    if (found == children->second.end())
        return std::nullopt;
    return found->second;
}

void KnownInnerNodes::AddChild(int grade, uint32_t parent, const QString& name, uint32_t id) {
    if (!KnowsChildren(grade, parent))
        return; // a later look-up reads it from the database
    auto [it, added] = m_children[{grade, parent}].try_emplace(name, id);
    if (!added) // where two children share a name, the first by id is taken, as the look-up takes it
        it->second = std::min(it->second, id);
}
