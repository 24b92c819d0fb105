// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RegAgent.h"

#include "platform/Hive.h"
#include "platform/Windows1252.h"

namespace {

// The result codes of the registry calls, as a Windows program would see them.
constexpr int32_t Success = 0;
constexpr int32_t FileNotFound = 2;   // no value of that name
constexpr int32_t AccessDenied = 5;   // the key could not be opened or created
constexpr int32_t WriteFault = 29;    // the hive would not take the write
constexpr int32_t ReadFault = 30;     // the hive could not be read: locked, damaged or unusable
constexpr int32_t MoreData = 234;     // the size probe found a value longer than no bytes

// A stored text ends in its zero byte, so anything shorter than two bytes holds no text.
constexpr qsizetype ShortestText = 2;

} // namespace

bool RegAgent::NamesGiven()
{
    LastResult_ = Success;
    if (RegistryKey_.isEmpty()) {
        LastResult_ = EmptyKeyPath;
        return false;
    }
    if (SubKey_.isEmpty()) {
        LastResult_ = EmptyValueName;
        return false;
    }
    return true;
}

void RegAgent::GetValue()
{
    if (!NamesGiven())
        return;
    // The read opens the key, creating it and every missing key above it.
    // First the size alone, then the bytes, as the two queries of the Windows call go.
    const Hive::Value stored = Hive::queryValue(RegistryKey_, SubKey_);
    if (stored.state != Hive::Value::State::Present) {
        LastResult_ = stored.state == Hive::Value::State::Absent ? FileNotFound : ReadFault;
        KeyValue_.clear();
        return;
    }
    const qsizetype size = stored.data.size();
    LastResult_ = size > 0 ? MoreData : Success;
    if (size < ShortestText) {
        KeyValue_.clear();
        return;
    }
    LastResult_ = Success;
    // The stored text without its terminating zero; whatever type it has, it is read as text.
    KeyValue_ = Windows1252::toUnicode(stored.data.left(size - 1));
}

void RegAgent::SetValue()
{
    if (!NamesGiven())
        return;
    if (!Hive::createKey(RegistryKey_)) {
        LastResult_ = AccessDenied;
        return;
    }
    // Empty text is stored as no bytes at all, without even the zero byte.
    QByteArray data;
    if (!KeyValue_.isEmpty())
        data = Windows1252::fromUnicode(KeyValue_) + '\0';
    LastResult_ = Hive::setValue(RegistryKey_, SubKey_, data) ? Success : WriteFault;
}

bool RegAgent::Absent() const { return LastResult_ == FileNotFound; }

bool RegAgent::Unreadable() const { return LastResult_ == ReadFault; }
