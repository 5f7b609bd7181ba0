#include "app/SettingsStore.h"

#include "run/RunServices.h"

#include <map>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <optional>

namespace tessaly::app {
namespace {

class QtSettingsStore : public KeyValueStore {
public:
    QtSettingsStore()
#ifdef Q_OS_WIN
        : m_settings(QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Mivra_App\\Tessaly03"),
                     QSettings::NativeFormat) {
    }
#else
        : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Mivra_App"), QStringLiteral("Mivra_App")) {
        m_settings.beginGroup(QStringLiteral("Tessaly03"));
    }
#endif
    QString read(const QString& key) const override { return m_settings.value(key).toString(); }
    void write(const QString& key, const QString& value) override {
        m_settings.setValue(key, value);
        m_settings.sync();
    }
    bool hasAnyValue() const override { return !m_settings.childKeys().isEmpty(); }

private:
    mutable QSettings m_settings;
};

const char* const kComboKeys[8] = {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo7", "Combo8"};
const char* const kCheckKeys[6] = {"Check1", "Check2", "Check3", "Check4", "Check5", "Check6"};
const char* const kOptionKeys[3] = {"Option1", "Option2", "Option3"};

std::optional<int> ToInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<bool> ToBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok) return number != 0.0;
    return std::nullopt;
}

QString DefaultOf(const char* key) {
    for (const auto& d : SettingDefaults())
        if (qstrcmp(d.key, key) == 0) return QString::fromUtf8(d.value);
    return {};
}

}  // namespace

QString MemoryStore::read(const QString& key) const {
    auto it = m_values.find(key);
    return it == m_values.end() ? QString() : it->second;
}

std::unique_ptr<KeyValueStore> OpenUserSettings() { return std::make_unique<QtSettingsStore>(); }

void SetApplicationIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Mivra_App"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
}

QString ApplicationFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(programFolder).isWritable()) return programFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

const std::vector<SettingDefault>& SettingDefaults() {
    static const std::vector<SettingDefault> table = {
        {"ResumeFolder", "1"}, {"DriveName", "C:"},  {"DirName", "C:\\"}, {"File_Item", "*.doc;*.docx;*.txt"},
        {"Combo1", "0"},       {"Combo2", "0"},      {"Combo3", "0"},     {"Combo4", "3"},
        {"Combo5", "1"},       {"Combo6", "3"},      {"Combo7", "0"},     {"Combo8", "4"},
        {"Check1", "0"},       {"Check2", "1"},      {"Check3", "0"},     {"Check4", "0"},
        {"Check5", "1"},       {"Check6", "1"},      {"Option1", "False"},
        // Placing into InDesign where the build can drive it, else opening the text file.
        {"Option2", run::kBuildDrivesInDesign ? "False" : "True"},
        {"Option3", run::kBuildDrivesInDesign ? "True" : "False"},
        {"RubyNotation", "0"},
        {"ProofPage", "0"},
    };
    return table;
}

void WriteDefaults(KeyValueStore& store) {
    for (const auto& d : SettingDefaults()) store.write(QString::fromUtf8(d.key), QString::fromUtf8(d.value));
}

bool InitialiseIfEmpty(KeyValueStore& store) {
    if (store.hasAnyValue()) return false;
    WriteDefaults(store);
    return true;
}

DialogValues DialogValues::Defaults() {
    MemoryStore defaults;
    WriteDefaults(defaults);
    return LoadDialogValues(defaults, {});
}

bool LoadRubyNotation(KeyValueStore& store) { return store.read(kRubyNotationKey) == QStringLiteral("1"); }
bool LoadProofPage(KeyValueStore& store) { return store.read(kProofPageKey) == QStringLiteral("1"); }

QString SettingLabel(const QString& key) {
    static const std::map<QString, QString> labels = {
        {QStringLiteral("Combo1"), QStringLiteral("ルビ種別")},
        {QStringLiteral("Combo2"), QStringLiteral("かな種別")},
        {QStringLiteral("Combo3"), QStringLiteral("タグのヘッダ部分")},
        {QStringLiteral("Combo4"), QStringLiteral("ルビ区切り記号")},
        {QStringLiteral("Combo5"), QStringLiteral("割注区切り記号")},
        {QStringLiteral("Combo6"), QStringLiteral("割注の前後")},
        {QStringLiteral("Combo7"), QStringLiteral("圏点の種類")},
        {QStringLiteral("Combo8"), QStringLiteral("圏点の比率")},
        {QStringLiteral("Check1"), QStringLiteral("拗促音を大文字に変換する")},
        {QStringLiteral("Check2"), QStringLiteral("Mac用テキストを同時に作成する")},
        {QStringLiteral("Check3"), QStringLiteral("割注パーレンを半角にする")},
        {QStringLiteral("Check4"), QStringLiteral("割注をルビ字形に変換する")},
        {QStringLiteral("Check5"), QStringLiteral("一太郎の傍点を圏点に変換する")},
        {QStringLiteral("Check6"), QStringLiteral("OpenTypeのルビ字形を使用する")},
        {QStringLiteral("Option1"), QStringLiteral("結果の確認")},
        {QStringLiteral("Option2"), QStringLiteral("結果の確認")},
        {QStringLiteral("Option3"), QStringLiteral("結果の確認")},
        {kRubyNotationKey, QStringLiteral("ルビ記法（|漢字《かんじ》）を変換する")},
        {kProofPageKey, QStringLiteral("校正用HTMLを作成して表示する")},
    };
    const auto it = labels.find(key);
    return it == labels.end() ? key : it->second;
}

QString ResetWarningText() {
    return QStringLiteral("読み取れない情報があったため、一部または全ての設定を初期値に変更しました。\r\n"
                          "設定を確認の上、実行して下さい。");
}

DialogValues LoadDialogValues(KeyValueStore& store, const std::function<void()>& onReset, bool writeReset,
                              QString* failedKey) {
    DialogValues values;
    bool reset = false;
    // The stored text of a key, or its default once a reset has happened.
    auto text = [&](const char* key) { return reset ? DefaultOf(key) : store.read(QString::fromUtf8(key)); };
    auto fail = [&](const char* key) {
        if (reset) return;
        reset = true;
        if (failedKey) *failedKey = QString::fromUtf8(key);
        if (writeReset) WriteDefaults(store);
        if (onReset) onReset();
    };
    for (size_t i = 0; i < 8; ++i) {
        const int count = static_cast<int>(ListItems(static_cast<OptionList>(i)).size());
        auto valid = [&](std::optional<int> v) { return v && *v >= -1 && *v < count; };
        auto v = ToInteger(text(kComboKeys[i]));
        if (!valid(v)) {
            fail(kComboKeys[i]);
            v = ToInteger(text(kComboKeys[i]));
        }
        values.combo[i] = v.value_or(0);
    }
    for (size_t i = 0; i < 6; ++i) {
        auto v = ToInteger(text(kCheckKeys[i]));
        if (!v || (*v != 0 && *v != 1)) {
            fail(kCheckKeys[i]);
            v = ToInteger(text(kCheckKeys[i]));
        }
        values.check[i] = v.value_or(0);
    }
    for (size_t i = 0; i < 3; ++i) {
        auto v = ToBoolean(text(kOptionKeys[i]));
        if (!v) {
            fail(kOptionKeys[i]);
            v = ToBoolean(text(kOptionKeys[i]));
        }
        values.option[i] = v.value_or(false);
    }
    // Setting an option button clears the others: the last one set wins.
    for (int i = 2; i >= 0; --i) {
        if (values.option[i]) {
            values.option = {};
            values.option[i] = true;
            break;
        }
    }
    return values;
}

void SaveDialogValues(KeyValueStore& store, const DialogValues& values) {
    for (size_t i = 0; i < 8; ++i) store.write(QString::fromUtf8(kComboKeys[i]), QString::number(values.combo[i]));
    for (size_t i = 0; i < 6; ++i) store.write(QString::fromUtf8(kCheckKeys[i]), QString::number(values.check[i]));
    for (size_t i = 0; i < 3; ++i)
        store.write(QString::fromUtf8(kOptionKeys[i]), values.option[i] ? QStringLiteral("True") : QStringLiteral("False"));
}

ConversionOptions CaptureOptions(const DialogValues& v, int16_t previousResultAction) {
    ConversionOptions o;
    o.RubyStyle = static_cast<int16_t>(v.combo[0]);
    o.KanaKind = static_cast<int16_t>(v.combo[1]);
    o.TagHeader = static_cast<int16_t>(v.combo[2]);
    o.RubySeparator = static_cast<int16_t>(v.combo[3]);
    o.WarichuSeparator = static_cast<int16_t>(v.combo[4]);
    o.WarichuSurround = static_cast<int16_t>(v.combo[5]);
    o.KentenKind = static_cast<int16_t>(v.combo[6]);
    o.KentenRatio = static_cast<int16_t>(v.combo[7]);
    o.SmallKanaToFullSize = static_cast<int16_t>(v.check[0]);
    o.MacText = static_cast<int16_t>(v.check[1]);
    o.HalfWidthWarichuParens = static_cast<int16_t>(v.check[2]);
    o.WarichuRubyGlyphs = static_cast<int16_t>(v.check[3]);
    o.ConvertBouten = static_cast<int16_t>(v.check[4]);
    o.OpenTypeRubyGlyphs = static_cast<int16_t>(v.check[5]);
    o.ResultAction = v.option[0] ? 1 : v.option[1] ? 2 : v.option[2] ? 3 : previousResultAction;
    return o;
}

DialogValues ValuesFromOptions(const ConversionOptions& o) {
    DialogValues v;
    v.combo = {o.RubyStyle, o.KanaKind, o.TagHeader, o.RubySeparator,
               o.WarichuSeparator, o.WarichuSurround, o.KentenKind, o.KentenRatio};
    v.check = {o.SmallKanaToFullSize, o.MacText, o.HalfWidthWarichuParens,
               o.WarichuRubyGlyphs, o.ConvertBouten, o.OpenTypeRubyGlyphs};
    v.option = {o.ResultAction == 1, o.ResultAction == 2, o.ResultAction == 3};
    return v;
}

}  // namespace tessaly::app
