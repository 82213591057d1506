#include "platform/framework/CStringList.h"

POSITION CStringList::AddTail(const CString& text) {
    auto node = std::make_unique<Node>(Node{text, nullptr});
    if (!m_nodes.empty())
        m_nodes.back()->next = node.get();
    m_nodes.push_back(std::move(node));
    return PositionOf(m_nodes.back().get());
}

POSITION CStringList::GetHeadPosition() const {
    return m_nodes.empty() ? nullptr : PositionOf(m_nodes.front().get());
}

CString& CStringList::GetNext(POSITION& position) const {
    Node* node = NodeOf(position);
    position = PositionOf(node->next);
    return node->text;
}

CString& CStringList::GetAt(POSITION position) const {
    return NodeOf(position)->text;
}

POSITION CStringList::FindIndex(int index) const {
    if (index < 0 || index >= GetCount())
        return nullptr;
    return PositionOf(m_nodes[static_cast<std::size_t>(index)].get());
}
