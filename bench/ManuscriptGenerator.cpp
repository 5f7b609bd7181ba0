#include "ManuscriptGenerator.h"

#include <zip.h>

#include <stdexcept>
#include <vector>

namespace tessaly::bench {
namespace {

// A small deterministic generator (splitmix64), the same on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t n) { return static_cast<size_t>(next() % n); }
    bool chance(double p) { return (next() >> 11) * (1.0 / 9007199254740992.0) < p; }

private:
    uint64_t m_state;
};

struct Kanji {
    const char* base;
    const char* reading;
};

// Kanji with readings, single and compound.
const Kanji kSingle[] = {
    {"春", "はる"}, {"朝", "あさ"}, {"空", "そら"}, {"海", "うみ"}, {"山", "やま"}, {"川", "かわ"},
    {"風", "かぜ"}, {"雨", "あめ"}, {"道", "みち"}, {"花", "はな"}, {"夜", "よる"}, {"星", "ほし"},
    {"声", "こえ"}, {"手", "て"},   {"目", "め"},   {"心", "こころ"}, {"森", "もり"}, {"町", "まち"},
    {"光", "ひかり"}, {"影", "かげ"}, {"窓", "まど"}, {"扉", "とびら"}, {"鐘", "かね"}, {"霧", "きり"},
    {"少", "しょう"}, {"年", "ねん"}, {"古", "ふる"}, {"灯", "とう"}, {"台", "だい"}, {"坂", "さか"},
};
const Kanji kCompound[] = {
    {"紫陽花", "あじさい"}, {"東京", "とうきょう"}, {"硝子", "がらす"}, {"黄昏", "たそがれ"},
    {"蜃気楼", "しんきろう"}, {"灯台", "とうだい"}, {"時計", "とけい"}, {"葡萄", "ぶどう"},
    {"煉瓦", "れんが"}, {"珈琲", "こーひー"},
};
const char* const kProse[] = {
    "の", "は", "が", "を", "に", "と", "で", "も", "から", "まで", "ように", "ながら",
    "歩いた", "見上げた", "聞こえる", "静かな", "遠くの", "小さな", "ふと", "やがて", "しかし",
    "彼は", "彼女は", "その", "あの", "ひとり", "思い出す", "消えていった", "残っている",
    "言葉", "記憶", "季節", "時間", "景色", "気配", "物語", "約束",
};
const char* const kPunctuation[] = {"、", "。", "、", "。", "「", "」", "……"};
const char* const kEscapable[] = {"<", ">", "\\"};

// Characters of a UTF-8 text (every character here is one code point).
size_t Count(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

void AppendEscapedXml(std::string& out, const std::string& text) {
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else out += c;
    }
}

void TextRun(std::string& xml, const std::string& text, int emphasis = 0) {
    static const char* const kEm[] = {"", "dot", "comma"};
    xml += "<w:r>";
    if (emphasis) xml += std::string("<w:rPr><w:em w:val=\"") + kEm[emphasis] + "\"/></w:rPr>";
    xml += "<w:t xml:space=\"preserve\">";
    AppendEscapedXml(xml, text);
    xml += "</w:t></w:r>";
}

void RubyRun(std::string& xml, const std::string& reading, const std::string& base) {
    xml += "<w:r><w:ruby><w:rubyPr><w:rubyAlign w:val=\"distributeSpace\"/><w:hps w:val=\"10\"/>"
           "<w:hpsRaise w:val=\"18\"/><w:hpsBaseText w:val=\"21\"/><w:lid w:val=\"ja-JP\"/></w:rubyPr><w:rt>";
    TextRun(xml, reading);
    xml += "</w:rt><w:rubyBase>";
    TextRun(xml, base);
    xml += "</w:rubyBase></w:ruby></w:r>";
}

}  // namespace

ManuscriptShape ManuscriptShape::Novel(size_t characters, uint64_t seed) {
    return ManuscriptShape{characters, 30, 2, seed};
}

ManuscriptShape ManuscriptShape::ChildrensBook(size_t characters, uint64_t seed) {
    return ManuscriptShape{characters, 300, 2, seed};
}

namespace {

// Where the generated manuscript goes: WordprocessingML, or plain text in
// the ruby notation.
struct Writer {
    virtual ~Writer() = default;
    virtual void paragraphStart() = 0;
    virtual void paragraphEnd() = 0;
    virtual void text(const std::string& text, int emphasis = 0) = 0;
    virtual void ruby(const std::string& reading, const std::string& base) = 0;
};

struct XmlWriter : Writer {
    std::string xml;
    void paragraphStart() override { xml += "<w:p>"; }
    void paragraphEnd() override { xml += "</w:p>"; }
    void text(const std::string& text, int emphasis) override { TextRun(xml, text, emphasis); }
    void ruby(const std::string& reading, const std::string& base) override { RubyRun(xml, reading, base); }
};

struct NotationWriter : Writer {
    std::string text_;
    void paragraphStart() override {}
    void paragraphEnd() override { text_ += "\n"; }
    void text(const std::string& text, int emphasis) override {
        // The notation has the sesame mark only; other emphasis is left out.
        text_ += emphasis == 2 ? "《《" + text + "》》" : text;
    }
    void ruby(const std::string& reading, const std::string& base) override { text_ += "|" + base + "《" + reading + "》"; }
};

void Generate(const ManuscriptShape& shape, Writer& out) {
    Random random(shape.seed);
    // Per character: the chance that a ruby run or an emphasis stretch starts.
    const double rubyChance = shape.rubyPer1000 / 1000.0 / 2.2;  // runs average 2.2 fields
    const double boutenChance = shape.boutenPer1000 / 1000.0;
    size_t written = 0;
    while (written < shape.characters) {
        out.paragraphStart();
        out.text("　");
        written += 1;
        const size_t paragraph = 100 + random.below(300);
        std::string plain;
        size_t inParagraph = 0;
        auto flush = [&] {
            if (!plain.empty()) out.text(plain);
            plain.clear();
        };
        while (inParagraph < paragraph && written < shape.characters) {
            size_t added = 0;
            if (random.chance(rubyChance)) {
                flush();
                if (random.chance(0.2)) {  // group ruby
                    const Kanji& k = kCompound[random.below(std::size(kCompound))];
                    out.ruby(k.reading, k.base);
                    added = Count(k.base);
                } else if (random.chance(0.05)) {  // warichu after a compound
                    const Kanji& k = kCompound[random.below(std::size(kCompound))];
                    out.ruby(std::string("ここに注記") + "★", k.base);
                    added = Count(k.base);
                } else {  // per-character ruby, a run of 1-4 fields
                    const size_t n = 1 + random.below(4);
                    for (size_t i = 0; i < n; ++i) {
                        const Kanji& k = kSingle[random.below(std::size(kSingle))];
                        out.ruby(k.reading, k.base);
                    }
                    added = n;
                }
            } else if (random.chance(boutenChance)) {
                flush();
                const std::string stretch = std::string(kProse[random.below(std::size(kProse))]) + kProse[random.below(std::size(kProse))];
                out.text(stretch, random.chance(0.5) ? 1 : 2);
                added = Count(stretch);
            } else if (random.chance(0.001)) {
                plain += kEscapable[random.below(std::size(kEscapable))];
                added = 1;
            } else {
                const std::string word = random.chance(0.15) ? kPunctuation[random.below(std::size(kPunctuation))]
                                                             : kProse[random.below(std::size(kProse))];
                plain += word;
                added = Count(word);
            }
            inParagraph += added;
            written += added;
        }
        flush();
        out.paragraphEnd();
    }
}

}  // namespace

std::string GenerateDocumentXml(const ManuscriptShape& shape) {
    XmlWriter out;
    out.xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
    out.xml.reserve(shape.characters * 40);
    Generate(shape, out);
    out.xml += "<w:sectPr/></w:body></w:document>";
    return out.xml;
}

std::string GenerateNotationText(const ManuscriptShape& shape) {
    NotationWriter out;
    out.text_.reserve(shape.characters * 4);
    Generate(shape, out);
    return out.text_;
}

std::string GenerateDocx(const ManuscriptShape& shape) {
    static const std::string contentTypes =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
    static const std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    const std::string document = GenerateDocumentXml(shape);

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* z = target ? zip_open_from_source(target, ZIP_TRUNCATE, &error) : nullptr;
    if (!z) throw std::runtime_error("cannot create the package");
    zip_source_keep(target);
    for (const auto& [name, data] : {std::pair{"[Content_Types].xml", &contentTypes}, std::pair{"_rels/.rels", &rels},
                                     std::pair{"word/document.xml", &document}}) {
        zip_source_t* s = zip_source_buffer(z, data->data(), data->size(), 0);
        if (!s || zip_file_add(z, name, s, ZIP_FL_OVERWRITE) < 0) throw std::runtime_error("cannot add a part");
    }
    if (zip_close(z) != 0) throw std::runtime_error("cannot write the package");
    zip_stat_t st;
    zip_source_stat(target, &st);
    std::string bytes(static_cast<size_t>(st.size), '\0');
    zip_source_open(target);
    zip_source_read(target, bytes.data(), st.size);
    zip_source_close(target);
    zip_source_free(target);
    return bytes;
}

}  // namespace tessaly::bench
