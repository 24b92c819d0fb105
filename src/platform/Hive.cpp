#include "platform/Hive.h"

// Placeholder until the hive lands.
namespace Hive {
QString path() { return {}; }
bool createKey(const QString&) { return false; }
std::optional<QByteArray> queryValue(const QString&, const QString&) { return std::nullopt; }
bool setValue(const QString&, const QString&, const QByteArray&) { return false; }
}
HiveTransaction::HiveTransaction() {}
HiveTransaction::~HiveTransaction() {}
void HiveTransaction::commit() {}
