// The settings table and what is made from it: the defaults the store
// writes and reads back, the reset, the capture, the command line's flags
// and the README's option table.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/Arguments.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

using namespace tessaly;
using namespace tessaly::settings;

TEST(SettingsTable, TheStoredDefaultsAreTheDefaults) {
    MemoryStore store;
    WriteDefaults(store);
    const std::map<QString, QString> expected = {
        {"ResumeFolder", "1"}, {"DriveName", "C:"},     {"DirName", "C:\\"},     {"File_Item", "*.doc;*.docx;*.txt"},
        {"Combo1", "0"},       {"Combo2", "0"},         {"Combo3", "0"},         {"Combo4", "3"},
        {"Combo5", "1"},       {"Combo6", "3"},         {"Combo7", "0"},         {"Combo8", "4"},
        {"Check1", "0"},       {"Check2", "1"},         {"Check3", "0"},         {"Check4", "0"},
        {"Check5", "1"},       {"Check6", "1"},         {"Option1", "False"},    {"Option2", "True"},
        {"Option3", "False"},  {"RubyNotation", "0"},   {"NarouRuby", "0"},      {"ProofPage", "0"},
        {"NotesAsFootnotes", "1"}, {"NumbersAsText", "1"},
    };
    EXPECT_EQ(store.values(), expected);
    // What the store holds by default reads back as the table's defaults,
    // and a build that cannot place into InDesign opens the text file.
    bool reset = false;
    EXPECT_EQ(LoadSettings(store, [&] { reset = true; }), DefaultValues());
    EXPECT_FALSE(reset);
    EXPECT_EQ(DefaultOptions().ResultAction, kOpenTextFile);
    EXPECT_EQ(ConversionOptions{}.ResultAction, 0);
}

TEST(SettingsTable, AResetFromTheFailedKeyOnKeepsWhatCameBefore) {
    MemoryStore store;
    WriteDefaults(store);
    store.write("Combo2", "1");
    store.write("Combo7", "-1");  // no item chosen: valid
    store.write("Check1", "abc");
    store.write("Check2", "0");
    store.write("RubyNotation", "1");
    int resets = 0;
    QString failed;
    const SettingValues v = LoadSettings(store, [&] { ++resets; }, false, &failed);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(failed, "Check1");
    EXPECT_EQ(v.options.KanaKind, kKatakana);
    EXPECT_EQ(v.options.KentenKind, -1);
    EXPECT_EQ(v.options.MacText, kOn) << "after the failed key, the defaults";
    EXPECT_TRUE(v.rubyNotation);
    EXPECT_EQ(store.read("Check2"), "0") << "without writing the reset, the store is left alone";
    EXPECT_EQ(SettingName("Check1"), "設定1「拗促音を大文字に変換する」");
    EXPECT_EQ(SettingName("Option3"), "設定3「結果の確認」");
}

TEST(SettingsTable, TheLastResultButtonWinsAndNoneKeepsThePreviousAction) {
    MemoryStore store;
    WriteDefaults(store);
    store.write("Option1", "True");
    store.write("Option3", "1");
    EXPECT_EQ(LoadSettings(store, {}).options.ResultAction, kPlaceIntoInDesign);
    for (const char* key : {"Option1", "Option2", "Option3"}) store.write(key, "false");
    const SettingValues none = LoadSettings(store, {});
    EXPECT_EQ(none.options.ResultAction, 0);
    EXPECT_EQ(CaptureOptions(none, kConvertOnly).ResultAction, kConvertOnly);
    SaveDialogSettings(store, none);
    EXPECT_EQ(store.read("Option2"), "False");
}

TEST(SettingsTable, EveryFlagSetsItsField) {
    for (const Setting& s : Settings()) {
        if (s.flag.empty() || !s.field) continue;
        if (s.kind == SettingKind::List) {
            for (size_t i = 0; i < s.valueNames.size(); ++i) {
                const cli::Request r = cli::ParseArguments({std::string(s.flag), std::string(s.valueNames[i]), "x.doc"});
                ASSERT_EQ(r.overrides.size(), 1u) << s.flag;
                EXPECT_EQ(r.overrides[0].first, s.field) << s.flag;
                EXPECT_EQ(r.overrides[0].second, static_cast<int16_t>(i)) << s.flag << " " << s.valueNames[i];
            }
            EXPECT_EQ(s.valueNames.size(), ListItems(*s.list).size()) << s.flag << ": a name for every item";
        } else {
            const cli::Request on = cli::ParseArguments({"--" + std::string(s.flag), "--no-" + std::string(s.flag), "--" + std::string(s.flag)});
            ASSERT_EQ(on.overrides.size(), 3u) << s.flag;
            EXPECT_EQ(on.overrides.back(), std::make_pair(s.field, kOn));
            EXPECT_EQ(on.overrides[1], std::make_pair(s.field, kOff));
        }
    }
    // The switches of their own set their values among the settings, the last one given winning.
    const cli::Request flags = cli::ParseArguments({"--no-ruby-notation", "--no-footnotes", "--numbers", "--footnotes", "a.doc"});
    using Flags = std::vector<std::pair<bool SettingValues::*, bool>>;
    EXPECT_EQ(flags.flags, (Flags{{&SettingValues::rubyNotation, false},
                                  {&SettingValues::notesAsFootnotes, false},
                                  {&SettingValues::numbersAsText, true},
                                  {&SettingValues::notesAsFootnotes, true}}));
    // --ruby-notation=narou: the notation with なろう's parentheses.
    EXPECT_EQ(cli::ParseArguments({"--ruby-notation=narou", "a.txt"}).flags,
              (Flags{{&SettingValues::rubyNotation, true}, {&SettingValues::narouRuby, true}}));
    EXPECT_THROW(cli::ParseArguments({"--ruby-notation=all", "a.txt"}), cli::UsageError);
}

TEST(SettingsTable, FlagsMissingOrUnreadableTakeTheirDefaults) {
    MemoryStore store;
    store.write("ResumeFolder", "1");  // a store from before the notes and numbers switches
    const SettingValues old = LoadSettings(store, {});
    EXPECT_FALSE(old.rubyNotation);
    EXPECT_FALSE(old.proofPage);
    EXPECT_TRUE(old.notesAsFootnotes);
    EXPECT_TRUE(old.numbersAsText);
    store.write("NotesAsFootnotes", "0");
    store.write("NumbersAsText", "yes");
    store.write("RubyNotation", "1");
    const SettingValues changed = LoadSettings(store, {});
    EXPECT_FALSE(changed.notesAsFootnotes);
    EXPECT_TRUE(changed.numbersAsText);
    EXPECT_TRUE(changed.rubyNotation);
    const SettingValues defaults = DefaultValues();
    EXPECT_TRUE(defaults.notesAsFootnotes && defaults.numbersAsText && !defaults.rubyNotation && !defaults.proofPage);
}

TEST(SettingsTable, TheReadmeOptionTableIsTheTable) {
    std::ifstream in(std::string(TESSALY_SOURCE_DIR) + "/README.md");
    std::stringstream readme;
    readme << in.rdbuf();
    // | `--kana hiragana\|katakana` | かな種別（…） |
    std::map<std::string, std::string> rows;
    static const std::regex row(R"(^\| `(--[^`]*)` \| (.*) \|$)");
    std::string line;
    while (std::getline(readme, line)) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) continue;
        const std::regex pipe(R"(\\\|)");  // a cell's | written as \|
        rows[std::regex_replace(m[1].str(), pipe, "|")] = std::regex_replace(m[2].str(), pipe, "|");
    }
    size_t flags = 0;
    for (const Setting& s : Settings()) {
        if (s.flag.empty()) continue;
        ++flags;
        const std::string usage = CommandLineUsage(s);
        ASSERT_TRUE(rows.count(usage)) << "the README lists no `" << usage << "`";
        EXPECT_EQ(rows[usage], s.help) << usage;
    }
    EXPECT_EQ(flags, 18u);
}

TEST(SettingsTable, HelpListsEveryFlag) {
    const std::string help = cli::HelpText();
    for (const Setting& s : Settings()) {
        if (s.flag.empty()) continue;
        const std::string usage = CommandLineUsage(s);
        const size_t at = help.find("      " + usage);
        ASSERT_NE(at, std::string::npos) << usage;
        const size_t helpAt = help.find(std::string(s.help), at);
        EXPECT_LT(helpAt, help.find("\n      --", at + 1)) << usage << ": its text follows it";
    }
}
