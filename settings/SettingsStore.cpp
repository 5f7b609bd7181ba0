#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <optional>

namespace tessaly::settings {
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

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

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

QString Boolean(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }

// Reads the dialog's keys in order; a reset, once it has happened, makes
// every key read its default.
class DialogLoader {
public:
    DialogLoader(KeyValueStore& store, const std::function<void()>& onReset, bool writeReset, QString* failedKey)
        : m_store(store), m_onReset(onReset), m_writeReset(writeReset), m_failedKey(failedKey) {}

    void load(const Setting& s, SettingValues& values) {
        if (s.kind == SettingKind::List) values.options.*s.field = static_cast<int16_t>(readValid(s.key, listCheck(s)));
        else if (s.kind == SettingKind::Switch) values.options.*s.field = static_cast<int16_t>(readValid(s.key, switchCheck));
        else if (s.kind == SettingKind::ResultButtons) values.options.ResultAction = readButtons();
    }

private:
    QString text(std::string_view key, const std::string& fallback) {
        return m_reset ? Text(fallback) : m_store.read(KeyOf(key));
    }
    void fail(std::string_view key) {
        if (m_reset) return;
        m_reset = true;
        if (m_failedKey) *m_failedKey = KeyOf(key);
        if (m_writeReset) WriteDefaults(m_store);
        if (m_onReset) m_onReset();
    }
    static std::function<bool(int)> listCheck(const Setting& s) {
        const int count = static_cast<int>(ListItems(*s.list).size());
        return [count](int v) { return v >= -1 && v < count; };
    }
    static bool switchCheck(int v) { return v == kOff || v == kOn; }

    int readValid(std::string_view key, const std::function<bool(int)>& valid) {
        const std::string fallback = DefaultText(SettingOf(key));
        auto v = ToInteger(text(key, fallback));
        if (!v || !valid(*v)) {
            fail(key);
            v = ToInteger(text(key, fallback));
        }
        return v.value_or(0);
    }
    int16_t readButtons() {
        const int16_t defaultAction = SettingOf("Option1").defaultValue;
        int16_t action = 0;
        for (int16_t i = 0; i < 3; ++i) {
            const std::string fallback = i + 1 == defaultAction ? "True" : "False";
            auto v = ToBoolean(text(kResultButtonKeys[i], fallback));
            if (!v) {
                fail(kResultButtonKeys[i]);
                v = ToBoolean(text(kResultButtonKeys[i], fallback));
            }
            // Setting a button clears the others: the last one set wins.
            if (v.value_or(false)) action = static_cast<int16_t>(i + 1);
        }
        return action;
    }

    KeyValueStore& m_store;
    const std::function<void()>& m_onReset;
    bool m_writeReset;
    QString* m_failedKey;
    bool m_reset = false;
};

}  // namespace

QString MemoryStore::read(const QString& key) const {
    auto it = m_values.find(key);
    return it == m_values.end() ? QString() : it->second;
}

QString KeyOf(std::string_view key) { return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())); }

std::unique_ptr<KeyValueStore> OpenUserSettings() { return std::make_unique<QtSettingsStore>(); }

void SetApplicationIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Mivra_App"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
}

QString ApplicationFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    // A file made and removed again: permission bits alone do not tell
    // (Windows' access lists, a read-only volume).
    QTemporaryFile probe(programFolder + QStringLiteral("/.tessaly-probe-XXXXXX"));
    if (probe.open()) return programFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

void WriteSetting(KeyValueStore& store, const Setting& s, const SettingValues& values) {
    switch (s.kind) {
    case SettingKind::Text: break;
    case SettingKind::List: store.write(KeyOf(s.key), QString::number(values.options.*s.field)); break;
    case SettingKind::Switch: store.write(KeyOf(s.key), QString::number(values.options.*s.field)); break;
    case SettingKind::ResultButtons:
        for (int i = 0; i < 3; ++i) store.write(KeyOf(kResultButtonKeys[i]), Boolean(values.options.ResultAction == i + 1));
        break;
    case SettingKind::Flag: {
        store.write(KeyOf(s.key), values.*s.flagField ? QStringLiteral("1") : QStringLiteral("0"));
        break;
    }
    }
}

void WriteDefaults(KeyValueStore& store) {
    const SettingValues defaults = DefaultValues();
    for (const Setting& s : Settings()) {
        if (s.kind == SettingKind::Text) store.write(KeyOf(s.key), Text(s.defaultText));
        else WriteSetting(store, s, defaults);
    }
}

bool InitialiseIfEmpty(KeyValueStore& store) {
    if (store.hasAnyValue()) return false;
    WriteDefaults(store);
    return true;
}

QString ResetWarningText() {
    return QStringLiteral("読み取れない情報があったため、一部または全ての設定を初期値に変更しました。\r\n"
                          "設定を確認の上、実行して下さい。");
}

SettingValues LoadSettings(KeyValueStore& store, const std::function<void()>& onReset, bool writeReset, QString* failedKey) {
    SettingValues values;
    DialogLoader loader(store, onReset, writeReset, failedKey);
    // The table lists the lists, then the switches, then the result buttons.
    for (const Setting& s : Settings()) {
        if (s.kind == SettingKind::Flag) values.*s.flagField = FlagIsOn(store, s.key);
        else loader.load(s, values);
    }
    return values;
}

bool FlagIsOn(const KeyValueStore& store, std::string_view key) {
    const QString value = store.read(KeyOf(key));
    if (value == QStringLiteral("1")) return true;
    if (value == QStringLiteral("0")) return false;
    return SettingOf(key).defaultValue == kOn;  // missing or unreadable: as a fresh installation has it
}

void SaveDialogSettings(KeyValueStore& store, const SettingValues& values) {
    for (const Setting& s : Settings())
        if (s.kind == SettingKind::List || s.kind == SettingKind::Switch || s.kind == SettingKind::ResultButtons)
            WriteSetting(store, s, values);
}

ConversionOptions CaptureOptions(const SettingValues& values, int16_t previousResultAction) {
    ConversionOptions o = values.options;
    if (o.ResultAction == 0) o.ResultAction = previousResultAction;
    return o;
}

QString SettingName(const QString& key) {
    for (const Setting& s : Settings()) {
        const bool button = s.kind == SettingKind::ResultButtons && key.startsWith(QStringLiteral("Option"));
        if (KeyOf(s.key) != key && !button) continue;
        if (s.dialog.page < 0) return key;
        return Text(kDialogPageNames[s.dialog.page]) + QStringLiteral("「") + Text(s.dialog.label) + QStringLiteral("」");
    }
    return key;
}

}  // namespace tessaly::settings
