#include "platform/framework/ScriptNames.h"

#include "platform/framework/Styles.h"

#include <array>
#include <utility>

namespace framework {

namespace {

#define KOLM_NAME(name) std::pair<std::string_view, std::int64_t>(#name, name)

constexpr std::array kNames = {
    KOLM_NAME(WS_POPUP),
    KOLM_NAME(WS_CHILD),
    KOLM_NAME(WS_MINIMIZE),
    KOLM_NAME(WS_VISIBLE),
    KOLM_NAME(WS_DISABLED),
    KOLM_NAME(WS_CAPTION),
    KOLM_NAME(WS_BORDER),
    KOLM_NAME(WS_VSCROLL),
    KOLM_NAME(WS_HSCROLL),
    KOLM_NAME(WS_SYSMENU),
    KOLM_NAME(WS_GROUP),
    KOLM_NAME(WS_TABSTOP),
    KOLM_NAME(WS_MINIMIZEBOX),
    KOLM_NAME(WS_EX_DLGMODALFRAME),
    KOLM_NAME(WS_EX_CLIENTEDGE),
    KOLM_NAME(WS_EX_APPWINDOW),
    KOLM_NAME(DS_SETFONT),
    KOLM_NAME(DS_MODALFRAME),
    KOLM_NAME(BS_PUSHBUTTON),
    KOLM_NAME(BS_DEFPUSHBUTTON),
    KOLM_NAME(BS_AUTORADIOBUTTON),
    KOLM_NAME(BS_GROUPBOX),
    KOLM_NAME(ES_LEFT),
    KOLM_NAME(ES_RIGHT),
    KOLM_NAME(ES_MULTILINE),
    KOLM_NAME(ES_AUTOHSCROLL),
    KOLM_NAME(ES_READONLY),
    KOLM_NAME(SS_LEFT),
    KOLM_NAME(SS_RIGHT),
    KOLM_NAME(SS_ICON),
    KOLM_NAME(SS_NOTIFY),
    KOLM_NAME(CBS_DROPDOWNLIST),
    KOLM_NAME(LBS_NOTIFY),
    KOLM_NAME(LBS_SORT),
    KOLM_NAME(LBS_NOINTEGRALHEIGHT),
    KOLM_NAME(IDOK),
    KOLM_NAME(IDCANCEL),
    std::pair<std::string_view, std::int64_t>("IDC_STATIC", -1),
};

#undef KOLM_NAME

} // namespace

std::optional<std::int64_t> BuiltInScriptName(std::string_view name) {
    for (const auto& [known, value] : kNames) {
        if (known == name) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace framework
