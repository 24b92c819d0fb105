#include "platform/RegAgent.h"

// Placeholder until the hive lands: nothing is stored.
void RegAgent::GetValue() { LastResult_ = 0; }
void RegAgent::SetValue() { LastResult_ = 0; }
