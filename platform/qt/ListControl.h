#pragma once
// A list box widget that remembers the lines it shows, so that a line the
// program adds to a long list is inserted rather than the list rebuilt.
#include "platform/framework/CString.h"

#include <QListWidget>

#include <vector>

namespace qt {

class ListControl : public QListWidget {
public:
    using QListWidget::QListWidget;
    void ShowItems(const std::vector<CString>& items);

private:
    bool InsertedOne(const std::vector<CString>& items);
    std::vector<CString> m_shown;
};

} // namespace qt
