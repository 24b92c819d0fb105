// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Addresses one registry value by key path and value name, and reads or writes its text.
// The values live in the hive (Hive.h). Nothing here raises or reports an error: a value
// that cannot be read reads as empty text, a write that fails is lost; LastResult tells.

#include <QString>
#include <cstdint>

class RegAgent {
public:
    // Reads the value named SubKey in key RegistryKey into KeyValue.
    void GetValue();
    QString RegistryKey() const { return RegistryKey_; }
    void setRegistryKey(const QString& value) { RegistryKey_ = value; }
    void setKeyValue(const QString& value) { KeyValue_ = value; }
    QString KeyValue() const { return KeyValue_; }
    // Writes KeyValue into the value named SubKey in key RegistryKey.
    void SetValue();
    QString SubKey() const { return SubKey_; }
    void setSubKey(const QString& value) { SubKey_ = value; }

    // Outcome of the last GetValue or SetValue.
    int32_t lastResult() const { return LastResult_; }
    // After GetValue: the hive was read and holds no such value. Empty text alone cannot
    // tell that from a value that could not be read.
    bool Absent() const;
    // After GetValue: the hive could not be read (locked, damaged, or no usable file).
    bool Unreadable() const;

    static constexpr int32_t EmptyKeyPath = -1002;
    static constexpr int32_t EmptyValueName = -1003;

private:
    // Checks the key path and value name; false, with LastResult set, when one is empty.
    bool NamesGiven();

    QString RegistryKey_;
    QString SubKey_;
    QString KeyValue_;
    int32_t LastResult_ = 0;
};
