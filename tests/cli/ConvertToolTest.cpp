#include <gtest/gtest.h>

#include <cstdlib>

#include "support/PosixOnly.h"
#if TESSALY_POSIX
#include <sys/wait.h>
#else
#include <windows.h>
#undef Yield  // a macro of windows.h, a method of the engine's host
#endif

#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "support/ExpectedTags.h"
#include "support/ToolRun.h"
#include "support/MiniDocx.h"

using namespace tessaly;
using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

struct ToolFixture : CommandLine {
    fs::path outDir() const { return out(); }
    std::string converted(std::vector<std::string> flags, const std::string& file = "sample") {
        std::vector<std::string> args = {"--defaults", "-q", "-o", outDir().string()};
        args.insert(args.end(), flags.begin(), flags.end());
        const fs::path input = file == "sample" ? fs::path(TESSALY_SOURCE_DIR) / "samples/sample-manuscript.doc" : fs::path(file);
        args.push_back(input.string());
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return text(input.stem().string() + "_ruby.txt");
    }
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const std::string kSampleBody = "<ParaStyle:段落標準>　" + Mono("はる", "春") + "の" + Mono("あさ", "朝") + "、" +
                                Mono("しょう　ねん", "少年") + "は" + Group("あじさい", "紫陽花") + "の咲く坂道を上った。\r　「" +
                                Kenten(5, "ほんとう") + "に、ここだったのか」と彼は" + Kenten(1, "つぶやいた") +
                                "。\r　坂の上には古い灯台（" + Warichu("明治期の建造") + "）が立っていた。\r\n<ParaStyle:>";

}  // namespace

TEST_F(ToolFixture, ConvertsTheSampleManuscriptExactly) {
    const std::string sample = std::string(TESSALY_SOURCE_DIR) + "/samples/sample-manuscript.doc";
    const ToolRun r = run({"--defaults", "-o", outDir().string(), sample});
    EXPECT_EQ(r.status, 0);
    // The input as given, every file written, and the batch's summary.
    EXPECT_TRUE(r.out.starts_with(sample + ": 8 個所変換しました（")) << r.out;
    EXPECT_TRUE(r.out.ends_with("秒） → " + (outDir() / "sample-manuscript_ruby.txt").string() + "、" +
                                (outDir() / "Mac_sample-manuscript_ruby.txt").string() +
                                "\n変換 1 件、失敗 0 件、ルビ・圏点・割注 8 個所\n"))
        << r.out;
    EXPECT_EQ(r.err, "");  // no progress line where the output is no terminal
    const std::string t = text("sample-manuscript_ruby.txt");
    EXPECT_TRUE(t.starts_with("<UNICODE-WIN>\r\n"));
    EXPECT_TRUE(t.ends_with(kSampleBody));
    EXPECT_TRUE(fs::exists(outDir() / "Mac_sample-manuscript_ruby.txt"));  // Mac text is on by default
}

TEST_F(ToolFixture, RubyBoundariesOfAManuscriptSavedByAnotherWordProcessor) {
    // Readings that are not all kana, a kana base, an unchosen separator mark,
    // variation sequences and a row of rubies cut three times, saved as .doc
    // (EQ fields) and .docx (w:ruby) by another word processor.
    const std::string kuzu = "葛\U000E0100", tsuji = "辻\uFE00";
    const std::string body =
        "<ParaStyle:段落標準>名前は" + Group("ジョン・スミス", "人名") + "。" + Mono("こゝろ", "心") + "と" + Group("Truth", "真実") +
        "と" + Group("かん じ", "漢字") + "。\r" + Group("ひかり", "ヒカリ") + "と" + Mono("ちゅう☆", "注") +
        "と本文（<CharStyle:割注>ちゅうき<CharStyle:>）。\r" + Mono("くず　つじ", kuzu + tsuji) + "と" + Group("かつしか", kuzu + "飾") +
        "。\r前" + Mono("か", "下") + Group("かんじ", "漢字") + Mono("き", "木") + "注（<CharStyle:割注>ちゅう<CharStyle:>）" +
        Mono("ご", "語") + Group("ごご", "午後") + "\r\n<ParaStyle:>";
    for (const char* name : {"RubyBoundaries.doc", "RubyBoundaries.docx"}) {
        const std::string t = converted({}, TestData(name).string());
        EXPECT_TRUE(t.ends_with(body)) << name << ": " << t.substr(t.find("<ParaStyle:段落標準>"));
    }
}

TEST_F(ToolFixture, DocAndDocxOfOneManuscriptGiveTheSameBytes) {
    const ToolRun r = run({"--defaults", "-q", "-o", outDir().string(), "-j", "2", TestData("ManuscriptFeatures.doc").string()});
    ASSERT_EQ(r.status, 0);
    const std::string fromDoc = ReadBytes(outDir() / "ManuscriptFeatures_ruby.txt");
    ASSERT_EQ(run({"--defaults", "-q", "-o", outDir().string(), TestData("ManuscriptFeatures.docx").string()}).status, 0);
    EXPECT_EQ(ReadBytes(outDir() / "ManuscriptFeatures_ruby.txt"), fromDoc);
}

TEST_F(ToolFixture, EachFlagChangesItsPart) {
    EXPECT_TRUE(Has(converted({"--ruby-style", "group"}), "<cRubyString:しょうねん>少年"));
    EXPECT_TRUE(Has(converted({"--kana=katakana"}), "<cRubyString:ハル>春"));
    EXPECT_TRUE(Has(converted({"--full-size-kana"}), "<cRubyString:しよう　ねん>少年"));
    EXPECT_TRUE(Has(converted({"--full-size-kana", "--no-full-size-kana"}), "<cRubyString:しょう　ねん>少年"));
    EXPECT_TRUE(Has(converted({"--no-opentype-ruby"}), "<cMojiRuby:1><rUseOTProGlyph:0>>"));
    // Without its separator the field is a ruby: the mark stays in the reading.
    EXPECT_TRUE(Has(converted({"--warichu-separator", "☆"}), "<CharStyle:グループルビ><cRuby:1><cRubyString:明治期の建造★>灯台<cRuby:>"));
    EXPECT_TRUE(Has(converted({"--warichu-surround", "half"}), "古い灯<CharStyle:文字後半角アキ>台<CharStyle:><CharStyle:割注>明治期の建造<CharStyle:>\u2002が"));
    EXPECT_TRUE(Has(converted({"--warichu-surround", "lenticular", "--half-width-parens"}),
                    "灯台<CharStyle:文字前ベタ>【<CharStyle:><CharStyle:割注>明治期の建造<CharStyle:><CharStyle:文字後ベタ>】<CharStyle:>"));
    EXPECT_TRUE(Has(converted({"--warichu-ruby-glyphs"}), "<CharStyle:割注>明治期<cOTFContAlt:0><cOTFeatureList:ruby\\,1><rUseOTProGlyph:1>の"));
    EXPECT_FALSE(Has(converted({"--no-kenten"}), "<CharStyle:圏点"));
    const std::string dot = converted({"--kenten-kind", "dot"});
    EXPECT_TRUE(Has(dot, "<CharStyle:圏点5>ほんとう"));
    EXPECT_FALSE(Has(dot, "<CharStyle:圏点1>つぶやいた"));
    EXPECT_TRUE(Has(converted({"--kenten-kind", "sesame"}), "<CharStyle:圏点1>つぶやいた"));
    EXPECT_TRUE(Has(converted({"--kenten-ratio", "100"}), "<cBoutenHorizontalScale:1.0><cBoutenVerticalScale:1.0>"));
    EXPECT_TRUE(Has(converted({"--kenten-ratio", "55"}), "<cBoutenHorizontalScale:0.55>"));
    fs::remove(outDir() / "Mac_sample-manuscript_ruby.txt");
    converted({"--no-mac"});
    EXPECT_FALSE(fs::exists(outDir() / "Mac_sample-manuscript_ruby.txt"));
    converted({"--mac"});
    EXPECT_TRUE(fs::exists(outDir() / "Mac_sample-manuscript_ruby.txt"));
}

TEST_F(ToolFixture, SeparatorFlagsReachTheSplit) {
    const fs::path doc = folder.path() / "sep.docx";
    WriteMiniDocx(doc, "<w:p>" + Ruby("か▲な", "仮名") + Ruby("ちゅう◇", "注") + "</w:p>");
    const std::string t = converted({"--ruby-separator", "▲", "--warichu-separator", "◇", "--warichu-surround", "none"}, doc.string());
    EXPECT_TRUE(t.ends_with("<ParaStyle:段落標準><CharStyle:グループルビ><cRuby:1><cRubyString:か>な仮名<cRuby:><cRubyString:><CharStyle:>"
                            "注<CharStyle:割注>ちゅう<CharStyle:>\r\n<ParaStyle:>")) << t;
}

TEST_F(ToolFixture, CustomHeaders) {
    const fs::path header = folder.path() / "mine.txt";
    WriteBytes(header, std::string("\xFF\xFE<\0U\0N\0I\0C\0O\0D\0E\0-\0W\0I\0N\0>\0", 28));
    EXPECT_TRUE(converted({"--header-file", header.string()}).starts_with("<UNICODE-WIN>　<CharStyle:モノルビ>"));
    const ToolRun missing = run({"--defaults", "--header", "custom", "-o", outDir().string(), "x.doc"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "tessaly-convert: タグのヘッダ部分が「カスタム」に設定されていますが、\n" + folder.path().string() +
                               " 内の temp フォルダに\nheader.txt が見つかりませんでした。\n\nヘッダファイルを確認の上、再度実行して下さい。\n");
    fs::create_directories(folder.path() / "temp");
    fs::copy_file(header, folder.path() / "temp" / "header.txt");
    EXPECT_TRUE(converted({"--header", "custom"}).starts_with("<UNICODE-WIN>　"));
}

// A header that cannot serve is refused once, with its reason, before any
// manuscript is read: nothing is converted and no output folder is made.
TEST_F(ToolFixture, AHeaderThatCannotServeIsRefusedBeforeAnyManuscript) {
    const std::string doc = TestData("ManuscriptFeatures.doc").string();
    const fs::path header = folder.path() / "header.txt";
    const std::pair<std::string, std::string> cases[] = {
        {std::string("<UNICODE-WIN>\0\r\n<ParaStyle:本文>", 34), "は文字コードが UTF-8 でも UTF-16 でもないため使えません。"},
        {"<ASCII-WIN>\r\n", "は<UNICODE-WIN> または <UNICODE-MAC> で始まっていないため使えません。"},
        {std::string(1 << 20, '<') + "x", "は大きすぎるため使えません（上限 1 MB）。"},
    };
    for (const auto& [bytes, reason] : cases) {
        WriteBytes(header, bytes);
        const ToolRun r = run({"--defaults", "--header-file", header.string(), "-o", outDir().string(), doc, doc + "x"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "tessaly-convert: ヘッダファイル " + header.string() + " " + reason + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(outDir()));
    }
    fs::remove(header);
    fs::create_directory(header);
    EXPECT_EQ(run({"--defaults", "--header-file", header.string(), doc}).err,
              "tessaly-convert: ヘッダファイル " + header.string() + " はフォルダーです。\n");
}

TEST_F(ToolFixture, ExitStatusesAndMessages) {
    const ToolRun usage = run({"--ruby-style", "big", "a.doc"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err, "tessaly-convert: --ruby-style の値が正しくありません: big（mono|group）\n詳しくは tessaly-convert --help を見てください。\n");
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({"-j", "0", "a.doc"}).status, 2);
    EXPECT_EQ(run({"--mac=1", "a.doc"}).status, 2);
    EXPECT_EQ(run({"--help"}).status, 0);

    // A missing and a foreign file fail; the good one between them is still converted.
    const ToolRun mixed = run({"--defaults", "-o", outDir().string(), "missing.doc", TestData("ManuscriptFeatures.docx").string(),
                               TestData("sources/PlainText.fodt").string()});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_TRUE(Has(mixed.err, "tessaly-convert: missing.doc: ファイルが見つかりません。\n"));
    EXPECT_TRUE(Has(mixed.err, "tessaly-convert: " + TestData("sources/PlainText.fodt").string() +
                                   ": Word 文書（.doc / .docx）ではありません。\n"));
    EXPECT_TRUE(mixed.out.ends_with("変換 1 件、失敗 2 件、ルビ・圏点・割注 8 個所\n")) << mixed.out;
    EXPECT_TRUE(fs::exists(outDir() / "ManuscriptFeatures_ruby.txt"));
    EXPECT_EQ(run({"--defaults", "-o", outDir().string(), TestData("sources").string()}).status, 1);

    // A file nested too deep to read fails alone, in a batch run on two jobs.
    const ToolRun deep = run({"--defaults", "-j", "2", "-o", outDir().string(), TestData("DeepNestingHyperlink.docx").string(),
                              TestData("RubyBoundaries.doc").string()});
    EXPECT_EQ(deep.status, 1);
    EXPECT_TRUE(Has(deep.err, "DeepNestingHyperlink.docx: 入れ子が深すぎるため読み込めません（")) << deep.err;
    EXPECT_TRUE(fs::exists(outDir() / "RubyBoundaries_ruby.txt"));
}

TEST_F(ToolFixture, NothingConvertedIsWrittenAndWarned) {
    const fs::path doc = folder.path() / "plain.docx";
    WriteMiniDocx(doc, "<w:p>" + TextRun("ルビなし") + "</w:p>");
    const ToolRun r = run({"--defaults", "-o", outDir().string(), doc.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with(doc.string() + ": 0 個所変換しました"));
    EXPECT_EQ(r.err, "tessaly-convert: " + doc.string() +
                         ": ルビ・圏点・割注が見つからないか、変換されませんでした。対象の原稿と設定を確認してください。\n");
    EXPECT_TRUE(fs::exists(outDir() / "plain_ruby.txt"));
}

TEST_F(ToolFixture, OutputFolderThatCannotBeMadeIsReported) {
    WriteBytes(folder.path() / "file", "x");
    const ToolRun r = run({"--defaults", "-o", (folder.path() / "file" / "sub").string(), TestData("ManuscriptFeatures.doc").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tessaly-convert: " + TestData("ManuscriptFeatures.doc").string() +
                         ": 出力先フォルダーを作れません（パスの途中にフォルダーではないものがあります）: " +
                         (folder.path() / "file" / "sub").string() + "\n");
    // A file where the folder should be, and a link to nothing, are said at once.
    EXPECT_EQ(run({"--defaults", "-o", (folder.path() / "file").string(), TestData("ManuscriptFeatures.doc").string()}).err,
              "tessaly-convert: 出力先 " + (folder.path() / "file").string() + " はフォルダーではありません。\n");
#if TESSALY_POSIX
    fs::create_symlink(folder.path() / "nowhere", folder.path() / "link");
    const ToolRun dangling = run({"--defaults", "-o", (folder.path() / "link").string(), TestData("ManuscriptFeatures.doc").string()});
    EXPECT_EQ(dangling.status, 1);
    EXPECT_EQ(dangling.err, "tessaly-convert: 出力先フォルダー " + (folder.path() / "link").string() +
                                " は、存在しないものを指すシンボリックリンクです。\n");
    EXPECT_FALSE(fs::exists(folder.path() / "nowhere"));
#else
    SKIP_WITHOUT_POSIX("symbolic links that any user may make");
#endif
}

#if TESSALY_POSIX
namespace {

// Runs the built program with its configuration folder in home; returns the status.
int RunBinary(const fs::path& binary, const fs::path& home, const std::string& args, const fs::path& log) {
    const std::string command = "XDG_CONFIG_HOME='" + home.string() + "' '" + binary.string() + "' " + args + " >'" +
                                log.string() + ".out' 2>'" + log.string() + ".err'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace
#endif

TEST_F(ToolFixture, BinaryUsesStoredSettingsAndTheApplicationsFolder) {
#if TESSALY_POSIX
    // A copy of the program in its own folder, so that RubyData is made there.
    const fs::path bin = folder.path() / "bin";
    fs::create_directories(bin);
    fs::copy_file(TESSALY_CONVERT_BINARY, bin / "tessaly-convert");
    const fs::path home = folder.path() / "home";
    fs::create_directories(home / "Mivra_App");
    WriteBytes(home / "Mivra_App" / "Mivra_App.ini", "[Tessaly03]\nCombo1=1\nCheck2=0\n");
    const fs::path sample = fs::path(TESSALY_SOURCE_DIR) / "samples/sample-manuscript.doc";
    const fs::path log = folder.path() / "log";

    ASSERT_EQ(RunBinary(bin / "tessaly-convert", home, "-q '" + sample.string() + "'", log), 0) << ReadBytes(log.string() + ".err");
    // Combo1 stored as 1: group ruby; every later key is missing, so unreadable: defaults from there on.
    const fs::path output = bin / "RubyData" / "sample-manuscript_ruby.txt";
    EXPECT_TRUE(Has(ToUtf8(DecodeWindowsFile(ReadBytes(output))), "<cRubyString:しょうねん>"));
    EXPECT_EQ(ReadBytes(log.string() + ".err"),
              "tessaly-convert: 警告: 保存された設定（設定1「かな種別」）を読み取れないため、この設定から後は初期値を使います。\n");
    EXPECT_TRUE(fs::exists(bin / "RubyData" / "Mac_sample-manuscript_ruby.txt"));  // Check2 read its default
    // The stored settings are never changed by the tool.
    EXPECT_EQ(ReadBytes(home / "Mivra_App" / "Mivra_App.ini"), "[Tessaly03]\nCombo1=1\nCheck2=0\n");

    // A full store is used as it is; --defaults ignores it.
    std::string ini = "[Tessaly03]\n";
    for (int i = 1; i <= 8; ++i) ini += "Combo" + std::to_string(i) + "=" + (i == 2 ? "1" : i == 4 ? "3" : i == 5 ? "1" : i == 6 ? "3" : i == 8 ? "4" : "0") + "\n";
    for (int i = 1; i <= 6; ++i) ini += "Check" + std::to_string(i) + "=" + (i == 2 ? "0" : "1") + "\n";
    ini += "Option1=False\nOption2=False\nOption3=True\n";
    WriteBytes(home / "Mivra_App" / "Mivra_App.ini", ini);
    fs::remove(bin / "RubyData" / "Mac_sample-manuscript_ruby.txt");
    ASSERT_EQ(RunBinary(bin / "tessaly-convert", home, "-q '" + sample.string() + "'", log), 0);
    EXPECT_EQ(ReadBytes(log.string() + ".err"), "");
    EXPECT_TRUE(Has(ToUtf8(DecodeWindowsFile(ReadBytes(output))), "<cRubyString:ハル>"));  // katakana, full size
    EXPECT_FALSE(fs::exists(bin / "RubyData" / "Mac_sample-manuscript_ruby.txt"));       // Check2 = 0
    ASSERT_EQ(RunBinary(bin / "tessaly-convert", home, "-q --defaults '" + sample.string() + "'", log), 0);
    EXPECT_TRUE(Has(ToUtf8(DecodeWindowsFile(ReadBytes(output))), "<cRubyString:はる>"));
#else
    SKIP_WITHOUT_POSIX("settings file (the registry's settings are checked by scripts/test-windows.sh)");
#endif
}

// The program on Windows takes its arguments from the wide command line and
// writes UTF-8 into a file its output goes to: a manuscript named in
// Japanese is found, and its name comes back in the report as written.
TEST_F(ToolFixture, JapaneseArgumentsOfTheProgramItself) {
#if TESSALY_WINDOWS
    const fs::path doc = manuscript("原稿「春」.doc");
    const fs::path log = folder.path() / "out.log";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE output = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(output, INVALID_HANDLE_VALUE);
    std::wstring command = L"\"" + U8(TESSALY_CONVERT_BINARY).native() + L"\" --defaults -o \"" + out().native() + L"\" \"" +
                           doc.native() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child));
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CloseHandle(output);
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(ReadBytes(log).starts_with(Utf8(doc) + ": 8 個所変換しました（")) << ReadBytes(log);
    EXPECT_EQ(outputs(), (std::vector<std::string>{"Mac_原稿「春」_ruby.txt", "原稿「春」_ruby.txt"}));
#else
    SKIP_WITHOUT_WINDOWS("a wide command line");
#endif
}
