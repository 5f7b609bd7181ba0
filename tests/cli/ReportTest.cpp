// What a conversion leaves out is said, and the proof page shows what was
// converted, checked in a real headless browser.
#include <gtest/gtest.h>


#include "support/PosixOnly.h"
#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "support/ExpectedTags.h"
#include "support/MiniDocx.h"
#include "support/ToolRun.h"

using namespace tessaly;
using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

struct ReportFixture : CommandLine {
    std::string stdOut, stdErr;

    // The page as the browser builds it, after the script (if any) has run.
    std::string dom(const fs::path& page, const std::string& fragment = "") {
        const fs::path dump = folder.path() / "dom.html";
        const std::string command = "/usr/bin/chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                                    "--disable-background-networking --disable-component-update --disable-sync --user-data-dir='" +
                                    (folder.path() / "profile").string() + "' --dump-dom 'file://" + page.string() + fragment +
                                    "' >'" + dump.string() + "' 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return ReadBytes(dump);
    }

    // What a script run after the page has loaded writes into its title, in
    // a copy of the page opened with the fragment.
    std::string titleAfterLoad(const std::string& html, const std::string& script, const std::string& fragment) {
        const fs::path probe = folder.path() / "probe.html";
        WriteBytes(probe, html.substr(0, html.rfind("</body>")) + "<script>addEventListener('load', () => {" + script +
                              "});</script></body></html>");
        const std::string built = dom(probe, fragment);
        const size_t at = built.find("<title>shown:");
        return at == std::string::npos ? std::string("?") : built.substr(at + 13, built.find('<', at + 1) - at - 13);
    }

    int convert(std::vector<std::string> args) {
        const ToolRun r = run(args);
        stdOut = r.out;
        stdErr = r.err;
        return r.status;
    }
};

}  // namespace

TEST_F(ReportFixture, WhatWasLeftOutIsSaidOnALineAndInTheReport) {
    const std::string file = TestData("LeftOutStories.doc").string();
    ASSERT_EQ(convert({"--defaults", "--no-mac", "-o", out().string(), file}), 0);
    EXPECT_EQ(stdErr, "tessaly-convert: " + file +
                          ": ヘッダー・フッターのルビ 1 個所とコメントのテキストとテキストボックスのルビ 1 個所は変換していません。\n");
    ASSERT_EQ(convert({"--defaults", "--no-mac", "--report", "-o", out().string(), file}), 0);
    size_t result = stdOut.find("\n");
    // The footnote's two rubies are converted, and the numbers written.
    EXPECT_EQ(stdOut.substr(result + 1),
              "  モノルビ 3（親文字 3）、グループルビ 0、割注 0、圏点 0、脚注 1\n"
              "  ヘッダー・フッター（変換していません）: ルビ 1 個所\n"
              "  コメント（変換していません）\n"
              "  テキストボックス（変換していません）: ルビ 1 個所\n"
              "  段落番号・見出し番号 3 個所（文字にしました）\n"
              "  脚注 1 個（InDesign の脚注にしました）\n"
              "変換 1 件、失敗 0 件、ルビ・圏点・割注 3 個所\n");
    // With both switches off, the notes and the numbers are only said.
    ASSERT_EQ(convert({"--defaults", "--no-mac", "--report", "--no-footnotes", "--no-numbers", "-o", out().string(), file}), 0);
    EXPECT_EQ(stdErr, "tessaly-convert: " + file +
                          ": 脚注のルビ 2 個所とヘッダー・フッターのルビ 1 個所とコメントのテキストとテキストボックスのルビ 1 個所は変換していません。"
                          "段落番号・見出し番号 3 個所は書き出していません。\n");
    result = stdOut.find("\n");
    EXPECT_EQ(stdOut.substr(result + 1),
              "  モノルビ 1（親文字 1）、グループルビ 0、割注 0、圏点 0\n"
              "  脚注（変換していません）: ルビ 2 個所\n"
              "  ヘッダー・フッター（変換していません）: ルビ 1 個所\n"
              "  コメント（変換していません）\n"
              "  テキストボックス（変換していません）: ルビ 1 個所\n"
              "  段落番号・見出し番号のある段落 3 個所（番号は書き出していません）\n"
              "変換 1 件、失敗 0 件、ルビ・圏点・割注 1 個所\n");
    // Nothing left out: nothing said.
    ASSERT_EQ(convert({"--defaults", "--no-mac", "-o", out().string(), TestData("RubyBoundaries.docx").string()}), 0);
    EXPECT_EQ(stdErr, "");
}

TEST_F(ReportFixture, ProofPageOfTheSampleInAHeadlessBrowser) {
    const std::string sample = std::string(TESSALY_SOURCE_DIR) + "/samples/sample-manuscript.doc";
    ASSERT_EQ(convert({"--defaults", "--proof", "-o", out().string(), sample}), 0);
    const fs::path page = out() / "sample-manuscript_proof.html";
    EXPECT_TRUE(stdOut.find("、" + page.string() + "\n") != std::string::npos) << stdOut;
    const std::string html = ReadBytes(page);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    if (TESSALY_WINDOWS) SKIP_WITHOUT_POSIX("Chromium for this test to start with a POSIX shell");
    if (!fs::exists("/usr/bin/chromium")) GTEST_SKIP() << "no Chromium here (scripts/install-deps.sh installs it)";
    const std::string built = dom(page);
    for (const char* part : {
             "<ruby class=\"mono converted\">春<rt>はる</rt></ruby>の<ruby class=\"mono converted\">朝<rt>あさ</rt></ruby>",
             "<ruby class=\"mono converted\">少<rt>しょう</rt>年<rt>ねん</rt></ruby>",
             "<ruby class=\"group converted\">紫陽花<rt>あじさい</rt></ruby>",
             "<span class=\"kenten dot converted\">ほんとう</span>",
             "<span class=\"kenten sesame converted\">つぶやいた</span>",
             "古い灯台（<span class=\"warichu converted\"><span class=\"line\">明治期</span><span class=\"line\">の建造</span></span>）",
             "<p>モノルビ 3（親文字 4）、グループルビ 1、割注 1、圏点 2</p>",
             "<input type=\"checkbox\" id=\"vertical\">",
         })
        EXPECT_NE(built.find(part), std::string::npos) << part << "\n" << built;
}

// How the browser sets the page: horizontal at first, vertical when opened
// as #tate or when the switch is ticked, and from #tate the same switch goes
// back to horizontal, saying so. In vertical writing the line under a
// converted place is drawn on the left, clear of the rubies and the kenten
// on the right. A script added to a copy of the page writes what the
// browser computed into its title.
TEST_F(ReportFixture, TheProofPageSwitchesBothWaysFromEitherStart) {
    if (TESSALY_WINDOWS) SKIP_WITHOUT_POSIX("Chromium for this test to start with a POSIX shell");
    if (!fs::exists("/usr/bin/chromium")) GTEST_SKIP() << "no Chromium here (scripts/install-deps.sh installs it)";
    const std::string sample = std::string(TESSALY_SOURCE_DIR) + "/samples/sample-manuscript.doc";
    ASSERT_EQ(convert({"--defaults", "--proof", "-o", out().string(), sample}), 0);
    const std::string html = ReadBytes(out() / "sample-manuscript_proof.html");
    auto shown = [&](const std::string& tick, const std::string& fragment) {
        return titleAfterLoad(html, tick +
                                        "const visible = [...document.querySelectorAll('.switch span')].filter(e => e.offsetParent);"
                                        "document.title = 'shown:' + getComputedStyle(document.querySelector('main')).writingMode + ' ' +"
                                        "  visible.map(e => e.textContent).join() + ' ' +"
                                        "  getComputedStyle(document.querySelector('.converted')).textUnderlinePosition;",
                              fragment);
    };
    const std::string tick = "document.getElementById('vertical').click();";
    EXPECT_EQ(shown("", ""), "horizontal-tb 縦組みで表示する left");
    EXPECT_EQ(shown(tick, ""), "vertical-rl 縦組みで表示する left");
    EXPECT_EQ(shown("", "#tate"), "vertical-rl 横組みで表示する left");
    EXPECT_EQ(shown(tick, "#tate"), "horizontal-tb 横組みで表示する left");
}

TEST_F(ReportFixture, EastAsianLayoutCountedAndSetUprightInVerticalWriting) {
    const std::string file = TestData("EastAsianLayout.docx").string();
    ASSERT_EQ(convert({"--defaults", "--no-mac", "--report", "--proof", "-o", out().string(), file}), 0);
    const size_t result = stdOut.find("\n");
    EXPECT_EQ(stdOut.substr(result + 1),
              "  モノルビ 0（親文字 0）、グループルビ 1、割注 9、圏点 1、縦中横 1\n"
              "  記号フォント「Wingdings」の文字 1 個（私用領域の文字のままです。InDesign でもそのフォントを当ててください）\n"
              "  段落番号・見出し番号 1 個所（文字にしました）\n"
              "  割注・縦中横の中のルビ 1 個所（親文字だけにしました）\n"
              "  割注・縦中横の中の圏点 1 個所（付けていません）\n"
              "変換 1 件、失敗 0 件、ルビ・圏点・割注 11 個所\n");
    if (TESSALY_WINDOWS) SKIP_WITHOUT_POSIX("Chromium for this test to start with a POSIX shell");
    if (!fs::exists("/usr/bin/chromium")) GTEST_SKIP() << "no Chromium here (scripts/install-deps.sh installs it)";
    const std::string html = ReadBytes(out() / "EastAsianLayout_proof.html");
    EXPECT_EQ(titleAfterLoad(html,
                             "const t = document.querySelector('.tcy');"
                             "document.title = 'shown:' + t.textContent + ' ' + getComputedStyle(t).textCombineUpright + ' ' +"
                             "getComputedStyle(document.querySelector('main')).writingMode;",
                             "#tate"),
              "12 all vertical-rl");
}

TEST_F(ReportFixture, NotesAndNumbersBehindTheirOwnSwitches) {
    const std::string notes = TestData("Footnotes.docx").string(), lists = TestData("ListNumbers.doc").string();
    ASSERT_EQ(convert({"--defaults", "--no-mac", "--report", "-o", out().string(), notes, lists}), 0);
    EXPECT_EQ(body("Footnotes_ruby.txt"),
              "<ParaStyle:段落標準>本文に注<FootnoteStart:>注の" + Mono("かん", "漢") + "字と" + Kenten(5, "圏点") +
                  "。<FootnoteEnd:>があり、二つ目<FootnoteStart:>二つ目の注<FootnoteEnd:>もある。\r"
                  "文末に<FootnoteStart:>文末脚注の" + Mono("ほん", "本") + "文<FootnoteEnd:>。\r"
                  "記号で<FootnoteStart:>※記号の注<FootnoteEnd:>※示す。\r"
                  "段落が二つ<FootnoteStart:>一つ目の段落\n二つ目の段落<FootnoteEnd:>の注。\r\n<ParaStyle:>");
    EXPECT_NE(stdOut.find("  モノルビ 2（親文字 2）、グループルビ 0、割注 0、圏点 1、脚注 5\n"), std::string::npos) << stdOut;
    EXPECT_NE(stdOut.find("  脚注 4 個・文末脚注 1 個（InDesign の脚注にしました）\n"), std::string::npos) << stdOut;
    EXPECT_TRUE(body("ListNumbers_ruby.txt").starts_with("<ParaStyle:段落標準>第1部前編\r第1章出会い\r本文。\r第2章別れ\r"));
    // Off, the text is as it was before notes and numbers were written.
    ASSERT_EQ(convert({"--defaults", "--no-mac", "--no-footnotes", "--no-numbers", "-o", out().string(), notes, lists}), 0);
    EXPECT_EQ(body("Footnotes_ruby.txt"),
              "<ParaStyle:段落標準>本文に注があり、二つ目もある。\r文末に。\r記号で※示す。\r段落が二つの注。\r\n<ParaStyle:>");
    EXPECT_TRUE(body("ListNumbers_ruby.txt").starts_with("<ParaStyle:段落標準>前編\r出会い\r本文。\r別れ\r後編\r"));
}
