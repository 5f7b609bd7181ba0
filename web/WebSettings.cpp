#include "web/WebSettings.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <vector>

#include "engine/Text.h"
#include "web/Json.h"

namespace tessaly::web {
namespace {

using settings::Setting;
using settings::SettingKind;

std::map<std::string_view, std::string_view> Lines(std::string_view text) {
    std::map<std::string_view, std::string_view> values;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (const size_t eq = line.find('='); eq != std::string_view::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

std::string_view KindName(SettingKind kind) {
    switch (kind) {
    case SettingKind::Text: return "text";
    case SettingKind::List: return "list";
    case SettingKind::Switch: return "switch";
    case SettingKind::ResultButtons: return "result";
    case SettingKind::Flag: return "flag";
    }
    return {};
}

}  // namespace

settings::SettingValues ParseWebSettings(std::string_view text) {
    settings::SettingValues s = settings::DefaultValues();
    const auto values = Lines(text);
    auto given = [&](std::string_view key) -> std::optional<std::string_view> {
        const auto it = values.find(key);
        if (it == values.end()) return std::nullopt;
        return it->second;
    };
    for (const Setting& setting : settings::Settings()) {
        switch (setting.kind) {
        case SettingKind::List:
            if (auto v = given(setting.key)) {
                int index = -1;
                const auto [end, error] = std::from_chars(v->data(), v->data() + v->size(), index);
                if (error == std::errc() && end == v->data() + v->size() && index >= 0 &&
                    static_cast<size_t>(index) < ListItems(*setting.list).size())
                    s.options.*setting.field = static_cast<int16_t>(index);
            }
            break;
        case SettingKind::Switch:
            if (auto v = given(setting.key); v == "0" || v == "1") s.options.*setting.field = *v == "1" ? kOn : kOff;
            break;
        case SettingKind::Flag:
            if (auto v = given(setting.key); v == "0" || v == "1") s.*setting.flagField = *v == "1";
            break;
        case SettingKind::ResultButtons:
            // The last button stored as selected wins, as in the store.
            for (int16_t i = 0; i < 3; ++i)
                if (given(settings::kResultButtonKeys[i]) == "True") s.options.ResultAction = static_cast<int16_t>(i + 1);
            break;
        case SettingKind::Text: break;
        }
    }
    return s;
}

std::string SettingsTableJson() {
    std::vector<const Setting*> rows;
    for (const Setting& s : settings::Settings())
        if (s.dialog.page >= 0) rows.push_back(&s);
    std::stable_sort(rows.begin(), rows.end(), [](const Setting* a, const Setting* b) {
        return a->dialog.page != b->dialog.page ? a->dialog.page < b->dialog.page : a->dialog.order < b->dialog.order;
    });
    Json out;
    out.open('{').field("pages").open('[');
    for (std::string_view page : settings::kDialogPageNames) out.string(page);
    out.close(']').field("resultLabels").open('[');
    for (std::string_view label : settings::kResultButtonLabels) out.string(label);
    out.close(']').field("placesIntoInDesign").boolean(settings::kBuildPlacesIntoInDesign);
    out.field("noHeaderChosenText").string(kNoHeaderChosenText);
    out.field("settings").open('[');
    for (const Setting* s : rows) {
        out.open('{').field("key").string(s->key).field("kind").string(KindName(s->kind));
        out.field("page").number(s->dialog.page).field("group").string(s->dialog.group).field("label").string(s->dialog.label);
        out.field("note").string(s->dialog.note).field("beside").boolean(s->dialog.besideThePrevious);
        out.field("default").number(s->defaultValue);
        if (s->list) {
            out.field("items").open('[');
            for (std::u16string_view item : ListItems(*s->list)) out.string(ToUtf8(item));
            out.close(']');
        }
        out.close('}');
    }
    out.close(']').close('}');
    return out.text();
}

}  // namespace tessaly::web
