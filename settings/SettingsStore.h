// The settings store: every setting of the settings table survives between
// runs as a text value under the application name Mivra_App and the section
// Tessaly03 (the registry on Windows, an INI file in the user's
// configuration folder elsewhere). The desktop application and
// tessaly-convert share it.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <memory>

#include "settings/SettingsTable.h"

namespace tessaly::settings {

// The store as a set of keys with text values; a missing key reads as "".
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    virtual QString read(const QString& key) const = 0;
    virtual void write(const QString& key, const QString& value) = 0;
    virtual bool hasAnyValue() const = 0;
};

// The per-user store.
std::unique_ptr<KeyValueStore> OpenUserSettings();

// The names under which the program keeps its per-user files; set them
// before the store or the application folder is used.
void SetApplicationIdentity();

// The application folder (temp, RubyData, the manual): the program's folder
// when a file can be made in it, else the per-user application data folder.
QString ApplicationFolder();

// A store held in memory (tests, and callers that must not write).
class MemoryStore : public KeyValueStore {
public:
    QString read(const QString& key) const override;
    void write(const QString& key, const QString& value) override { m_values[key] = value; }
    bool hasAnyValue() const override { return !m_values.empty(); }
    const std::map<QString, QString>& values() const { return m_values; }

private:
    std::map<QString, QString> m_values;
};

QString KeyOf(std::string_view key);

// Writes every key with its default, in table order.
void WriteDefaults(KeyValueStore& store);

// First start: an empty store is filled with the defaults. Returns true
// when it was empty.
bool InitialiseIfEmpty(KeyValueStore& store);

// The reset warning shown when a stored value cannot be read.
QString ResetWarningText();

// Reads the dialog's keys in their fixed order (Combo1…Combo8, Check1…Check6,
// Option1…Option3), validating each, and the two switches of their own
// (off when missing or unreadable). On the first dialog value that cannot be
// read, the defaults are written (when writeReset is true), onReset is
// called once, and that key and every later one read their defaults; keys
// read before keep their stored values. failedKey receives the key that
// failed, if any. With several result buttons stored as selected, the last
// one wins; with none, ResultAction is 0.
SettingValues LoadSettings(KeyValueStore& store, const std::function<void()>& onReset, bool writeReset = true,
                           QString* failedKey = nullptr);

// Whether a switch of its own key is on ("1"; off when missing or unreadable).
bool FlagIsOn(const KeyValueStore& store, std::string_view key);

// Writes the dialog's keys from the values (not the two switches of their
// own, which are written when they change).
void SaveDialogSettings(KeyValueStore& store, const SettingValues& values);

// Writes one setting's key (the three keys of the result buttons) from the values.
void WriteSetting(KeyValueStore& store, const Setting& setting, const SettingValues& values);

// The options record a run captures: ResultAction keeps previousResultAction
// when no result button is selected.
ConversionOptions CaptureOptions(const SettingValues& values, int16_t previousResultAction);

// A setting's name for a message: its dialog page and label (設定1「かな種別」).
QString SettingName(const QString& key);

}  // namespace tessaly::settings
