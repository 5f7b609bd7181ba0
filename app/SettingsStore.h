// The settings store: every setting survives between runs as a text value
// under the application name Mivra_App and the section Tessaly03 (the
// registry on Windows, an INI file in the user's configuration folder
// elsewhere). The desktop application and tessaly-convert share it.
#pragma once

#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "engine/ConversionOptions.h"

namespace tessaly::app {

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
// when it can be written, else the per-user application data folder.
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

struct SettingDefault {
    const char* key;
    const char* value;
};

// Every key with its default, in the order a full write stores them.
const std::vector<SettingDefault>& SettingDefaults();

// Writes every key with its default, in table order.
void WriteDefaults(KeyValueStore& store);

// First start: an empty store is filled with the defaults. Returns true
// when it was empty.
bool InitialiseIfEmpty(KeyValueStore& store);

// The values of the utility dialog's controls, by control name.
struct DialogValues {
    std::array<int, 8> combo{};    // Combo1..Combo8: list index, -1 for none
    std::array<int, 6> check{};    // Check1..Check6: 0 or 1
    std::array<bool, 3> option{};  // Option1..Option3

    static DialogValues Defaults();
    bool operator==(const DialogValues&) const = default;
};

// The reset warning shown when a stored value cannot be read.
QString ResetWarningText();

// Reads the dialog keys in their fixed order, validating each. On the first
// value that cannot be read, the defaults are written (when writeReset is
// true), onReset is called once, and that key and every later one read their
// defaults; keys read before keep their stored values. failedKey receives the
// key that failed, if any.
DialogValues LoadDialogValues(KeyValueStore& store, const std::function<void()>& onReset, bool writeReset = true,
                              QString* failedKey = nullptr);

// Whether ruby and emphasis written as text in Word manuscripts are
// converted: its own key, RubyNotation ("1" or "0", off when missing or
// unreadable), beside the dialog's keys.
inline const QString kRubyNotationKey = QStringLiteral("RubyNotation");
bool LoadRubyNotation(KeyValueStore& store);

// Whether a proof page is made and shown after each run: its own key,
// ProofPage ("1" or "0", off when missing).
inline const QString kProofPageKey = QStringLiteral("ProofPage");
bool LoadProofPage(KeyValueStore& store);

// The label a dialog key's control has in the utility dialog ("Combo2" is
// "かな種別"), or the key itself when it has none.
QString SettingLabel(const QString& key);

// Writes all dialog keys from the values.
void SaveDialogValues(KeyValueStore& store, const DialogValues& values);

// The options record captured from the dialog's values; ResultAction keeps
// previousResultAction when no option button is selected.
ConversionOptions CaptureOptions(const DialogValues& values, int16_t previousResultAction);

// The dialog values that stand for an options record (the inverse of the capture).
DialogValues ValuesFromOptions(const ConversionOptions& options);

}  // namespace tessaly::app
