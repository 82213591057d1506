#include "platform/qt/ListControl.h"

#include "platform/qt/QtText.h"

#include <algorithm>

namespace qt {

void ListControl::ShowItems(const std::vector<CString>& items) {
    if (items == m_shown || InsertedOne(items))
        return;
    clear();
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(items.size()));
    for (const CString& item : items)
        lines << ToQString(item);
    addItems(lines);
    m_shown = items;
}

bool ListControl::InsertedOne(const std::vector<CString>& items) {
    if (items.size() != m_shown.size() + 1)
        return false;
    const auto differ = std::mismatch(m_shown.begin(), m_shown.end(), items.begin());
    const auto at = differ.first - m_shown.begin();
    if (!std::equal(differ.first, m_shown.end(), differ.second + 1))
        return false;
    insertItem(static_cast<int>(at), ToQString(items[static_cast<std::size_t>(at)]));
    m_shown.insert(differ.first, items[static_cast<std::size_t>(at)]);
    return true;
}

} // namespace qt
