#include "platform/framework/Resources.h"

namespace framework {

namespace {

template <typename Map> const typename Map::mapped_type* Find(const Map& map, int id) {
    const auto found = map.find(id);
    return found == map.end() ? nullptr : &found->second;
}

} // namespace

const DialogTemplate* ResourceSet::Dialog(int id) const {
    return Find(dialogs, id);
}

const MenuTemplate* ResourceSet::Menu(int id) const {
    return Find(menus, id);
}

CString ResourceSet::String(int id) const {
    const CString* text = Find(strings, id);
    return text == nullptr ? CString() : *text;
}

const Image* ResourceSet::Icon(int id) const {
    return Find(icons, id);
}

const Image* ResourceSet::Cursor(int id) const {
    return Find(cursors, id);
}

ResourceSet& Resources() {
    static ResourceSet resources;
    return resources;
}

} // namespace framework
