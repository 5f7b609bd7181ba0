// The settings table: one row per setting, and everything made from it (the
// defaults, the store's keys and values, the utility dialog's controls and
// labels, the command line's flags and its help). Standard C++ only, so that
// every front end, the browser page included, reads the same table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ConversionOptions.h"

namespace tessaly::settings {

// Whether this build can place a result into InDesign. No InDesign
// connection is built in yet: placing is shown but cannot be chosen, and the
// result action defaults to opening the text file.
inline constexpr bool kBuildPlacesIntoInDesign = false;

enum class SettingKind {
    Text,           // a text of the main window's folder memory
    List,           // a list index ("3"), -1 for none
    Switch,         // "0" or "1"
    ResultButtons,  // Option1..Option3, each "True" or "False"
    Flag,           // a switch of its own, "1" or "0", off when missing or unreadable
};

// Where a control stands in the utility dialog.
struct DialogPlace {
    int page = -1;               // 0 設定1 … 3 管理; -1: not in the dialog
    int order = 0;               // its place on the page, from the top
    std::string_view group;      // the group box it stands in
    std::string_view label;      // the label beside it
    std::string_view note = {};  // a note below it, or empty
    bool besideThePrevious = false;  // on the previous control's line
};

// Every setting of a conversion, as the dialog holds them.
struct SettingValues {
    ConversionOptions options;  // ResultAction 0: no result button selected
    bool rubyNotation = false;
    bool proofPage = false;
    bool notesAsFootnotes = false;  // footnotes and endnotes become InDesign footnotes
    bool numbersAsText = false;     // list and heading numbers are written as text
    bool narouRuby = false;         // なろう's parentheses read as ruby
    bool operator==(const SettingValues&) const = default;
};

struct Setting {
    std::string_view key;  // the store key; the result buttons' first ("Option1")
    SettingKind kind;
    int16_t ConversionOptions::*field = nullptr;  // nullptr: not a field of the record
    std::optional<OptionList> list;                // List: its items
    int16_t defaultValue = 0;                      // index, switch or result action
    std::string_view defaultText;                  // Text
    DialogPlace dialog;
    // The command line: a List's flag with its value names ("--kana"), a
    // Switch's or Flag's name that takes --name and --no-name ("mac").
    std::string_view flag;
    std::vector<std::string_view> valueNames;
    std::string_view help;  // what the flag does, for --help and the README
    bool SettingValues::*flagField = nullptr;  // Flag: its value among the settings
};

// Every setting, in the order a full write stores them.
const std::vector<Setting>& Settings();
const Setting& SettingOf(std::string_view key);

// The utility dialog's pages, in order (DialogPlace::page).
inline constexpr std::string_view kDialogPageNames[] = {"設定1", "設定2", "設定3", "管理"};

// The result buttons' keys and labels, Option1..Option3 for the actions 1..3.
inline constexpr std::string_view kResultButtonKeys[] = {"Option1", "Option2", "Option3"};
inline constexpr std::string_view kResultButtonLabels[] = {"変換のみ", "テキストファイルを表示する", "アクティブなInDesign文書に流し込む"};

// The own keys of the switches beside the dialog's.
inline constexpr std::string_view kRubyNotationKey = "RubyNotation";
inline constexpr std::string_view kProofPageKey = "ProofPage";
inline constexpr std::string_view kNotesAsFootnotesKey = "NotesAsFootnotes";
inline constexpr std::string_view kNumbersAsTextKey = "NumbersAsText";
inline constexpr std::string_view kNarouRubyKey = "NarouRuby";

// The value a setting is stored with by default, as text.
std::string DefaultText(const Setting& setting);

SettingValues DefaultValues();
ConversionOptions DefaultOptions();

// How a setting is written on the command line: "--kana hiragana|katakana",
// "--mac, --no-mac".
std::string CommandLineUsage(const Setting& setting);

}  // namespace tessaly::settings
