#pragma once
// A list of strings that keeps the order of adding.
#include "platform/framework/CString.h"

#include <memory>
#include <vector>

struct PositionTag;
using POSITION = PositionTag*;

class CStringList {
public:
    explicit CStringList(int blockSize = 10) { (void)blockSize; }

    POSITION AddTail(const CString& text);
    void RemoveAll() { m_nodes.clear(); }
    int GetCount() const { return static_cast<int>(m_nodes.size()); }
    bool IsEmpty() const { return m_nodes.empty(); }

    POSITION GetHeadPosition() const;
    // Returns the entry at position and moves position to the next one (null after the last).
    CString& GetNext(POSITION& position) const;
    CString& GetAt(POSITION position) const;
    void SetAt(POSITION position, const CString& text) { GetAt(position) = text; }
    POSITION FindIndex(int index) const;

private:
    struct Node {
        CString text;
        Node* next = nullptr;
    };
    static Node* NodeOf(POSITION position) { return reinterpret_cast<Node*>(position); }
    static POSITION PositionOf(Node* node) { return reinterpret_cast<POSITION>(node); }

    std::vector<std::unique_ptr<Node>> m_nodes;
};
